// Walking the decoding graph from a pin downstream: trimming what Render
// added after the decompressors, collecting the decompressor chain up to the
// grabber, and listing every filter's name for the opening messages.
#pragma once

#include "decode/com_ptr.h"
#include "decode/direct_show.h"

#include <array>
#include <string>

// The filters between the source and the grabber, nearest to the source
// first; the first empty entry ends the chain, so at most 24 filters fit.
// Every entry holds a reference.
typedef std::array<ComPtr<IBaseFilter>, 25> FilterChain;

// Releases every entry.
void ReleaseChain(FilterChain* chain);

// Follows the connections from the pin to the filter at the end (the
// renderer that Render added), disconnects that filter and removes it from
// the graph. Returns the last output pin before it: the decompressor's
// output, or the pin itself.
ComPtr<IPin> TrimRenderedChain(IGraphBuilder* graph, IPin* pin);

// Stores the filters from the pin down to the grabber in the chain (the
// grabber itself ends it with an empty entry). False when the pin is not
// connected or a filter on the way has no output.
bool CollectFilterChain(IPin* pin, IBaseFilter* grabber, FilterChain* chain);

// Appends the filter's name and a line feed, then the listing of every
// filter connected below it, depth first.
void AppendGraphListing(std::string* text, IBaseFilter* filter);

// A filter's name (each UTF-16 unit narrowed to its low byte); false when
// QueryFilterInfo fails.
bool FilterName(IBaseFilter* filter, std::string* name);

// The first pin of the direction (connected, if asked), or null.
ComPtr<IPin> FindPinOfDirection(IBaseFilter* filter, PIN_DIRECTION direction, bool connectedOnly);

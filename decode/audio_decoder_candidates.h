// The installed filters that may decode a sound type, for trying them one by
// one when the graph's own choice fails to deliver: the registered filters
// that take the type on an input pin, by merit, then the audio decoder DMOs
// (through the DMO wrapper filter).
#pragma once

#include "decode/com_ptr.h"
#include "decode/direct_show.h"

#include <functional>
#include <string>
#include <vector>

struct AudioDecoderCandidate {
  std::string name;                      // as the graph names the filter
  std::function<ComPtr<IBaseFilter>()> create;
};

std::vector<AudioDecoderCandidate> AudioDecoderCandidates(const GUID& majortype, const GUID& subtype);

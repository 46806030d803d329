// The opening message for a graph that does not run: the error code, its
// meaning when it is one of the two common ones, and every filter's name.
#pragma once

#include "decode/direct_show.h"

#include <string>

// Appends "Can't Run Filter Graph\nError code: 0x%X" with the result, the
// meaning of VFW_E_SIZENOTSET or E_OUTOFMEMORY, "\n\n" and the listing of
// the graph from the source filter down, one name per line.
void AppendRunFailure(std::string* messages, HRESULT result, IBaseFilter* source);

// Registering the running graph in the Running Object Table ("Add Grapth to
// ROT"), so that graph inspection tools can find it while the file is open.
#pragma once

#include "decode/direct_show.h"

#include <string>

// The item name: "FilterGraph %08x pid %08x" from the graph's address and
// the process id.
std::wstring RotItemName(IUnknown* graph);

HRESULT AddGraphToRot(IUnknown* graph, DWORD* cookie);
void RemoveGraphFromRot(DWORD cookie);

#include "decode/filter_chain.h"

#include "decode/wide_text.h"

namespace {

// The filter a pin belongs to, with the reference QueryPinInfo gives.
ComPtr<IBaseFilter> OwnerOf(IPin* pin) {
  PIN_INFO info = {};
  if (FAILED(pin->QueryPinInfo(&info))) return ComPtr<IBaseFilter>();
  return ComPtr<IBaseFilter>(info.pFilter);
}

ComPtr<IPin> ConnectedPin(IPin* pin) {
  ComPtr<IPin> connected;
  if (FAILED(pin->ConnectedTo(connected.Receive()))) connected.Reset();
  return connected;
}

bool HasDirection(IPin* pin, PIN_DIRECTION wanted) {
  PIN_DIRECTION direction;
  return SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted;
}

bool CollectFrom(IPin* pin, IBaseFilter* grabber, FilterChain* chain, size_t entry) {
  ComPtr<IPin> connected = ConnectedPin(pin);
  if (!connected) return false;
  ComPtr<IBaseFilter> filter = OwnerOf(connected.Get());
  if (!filter) return false;
  if (filter.Get() == grabber) {
    (*chain)[entry].Reset();
    return true;
  }
  // A chain longer than the table holds is cut at its end (the last entry
  // stays empty to end the chain).
  if (entry + 1 >= chain->size()) return true;
  (*chain)[entry] = filter;

  bool result = false;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Receive()))) return false;
  IPin* next = nullptr;
  while (pins->Next(1, &next, nullptr) == S_OK) {
    ComPtr<IPin> held(next);
    if (HasDirection(held.Get(), PINDIR_OUTPUT)) result = CollectFrom(held.Get(), grabber, chain, entry + 1);
  }
  return result;
}

void ListFrom(std::string* text, IBaseFilter* filter, int depth) {
  std::string name;
  if (FilterName(filter, &name)) *text += name;
  *text += "\n";
  if (depth > 32) return;  // no graph of ours is that deep; a cycle would be
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Receive()))) return;
  IPin* next = nullptr;
  while (pins->Next(1, &next, nullptr) == S_OK) {
    ComPtr<IPin> held(next);
    if (!HasDirection(held.Get(), PINDIR_OUTPUT)) continue;
    ComPtr<IPin> connected = ConnectedPin(held.Get());
    if (!connected) continue;
    ComPtr<IBaseFilter> below = OwnerOf(connected.Get());
    if (below) ListFrom(text, below.Get(), depth + 1);
  }
}

}  // namespace

void ReleaseChain(FilterChain* chain) {
  for (ComPtr<IBaseFilter>& entry : *chain) entry.Reset();
}

bool FilterName(IBaseFilter* filter, std::string* name) {
  FILTER_INFO info = {};
  if (FAILED(filter->QueryFilterInfo(&info))) return false;
  *name = NarrowName(info.achName);
  if (info.pGraph != nullptr) info.pGraph->Release();
  return true;
}

ComPtr<IPin> FindPinOfDirection(IBaseFilter* filter, PIN_DIRECTION direction, bool connectedOnly) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Receive()))) return ComPtr<IPin>();
  IPin* next = nullptr;
  while (pins->Next(1, &next, nullptr) == S_OK) {
    ComPtr<IPin> held(next);
    if (HasDirection(held.Get(), direction) && (!connectedOnly || ConnectedPin(held.Get()))) {
      return held;
    }
  }
  return ComPtr<IPin>();
}

ComPtr<IPin> TrimRenderedChain(IGraphBuilder* graph, IPin* pin) {
  ComPtr<IPin> current = ComPtr<IPin>::Share(pin);
  for (;;) {
    ComPtr<IPin> connected = ConnectedPin(current.Get());
    if (!connected) return current;
    ComPtr<IBaseFilter> filter = OwnerOf(connected.Get());
    if (!filter) return current;
    ComPtr<IPin> next = FindPinOfDirection(filter.Get(), PINDIR_OUTPUT, true);
    if (next) {
      current = next;
      continue;
    }
    graph->Disconnect(current.Get());
    graph->Disconnect(connected.Get());
    graph->RemoveFilter(filter.Get());
    return current;
  }
}

bool CollectFilterChain(IPin* pin, IBaseFilter* grabber, FilterChain* chain) {
  return CollectFrom(pin, grabber, chain, 0);
}

void AppendGraphListing(std::string* text, IBaseFilter* filter) { ListFrom(text, filter, 0); }

#include "decode/audio_decoder_candidates.h"

#include "decode/wide_text.h"

#include <dmodshow.h>
#include <dmoreg.h>

namespace {

std::string MonikerName(IMoniker* moniker) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid()))) {
    return std::string();
  }
  VARIANT value;
  VariantInit(&value);
  std::string name;
  if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR) {
    name = NarrowName(value.bstrVal);
  }
  VariantClear(&value);
  return name;
}

void AddRegisteredFilters(const GUID& majortype, const GUID& subtype,
                          std::vector<AudioDecoderCandidate>* candidates) {
  ComPtr<IFilterMapper2> mapper;
  if (FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                              mapper.ReceiveVoid()))) {
    return;
  }
  const GUID types[2] = {majortype, subtype};
  ComPtr<IEnumMoniker> monikers;
  if (FAILED(mapper->EnumMatchingFilters(monikers.Receive(), 0, FALSE, MERIT_DO_NOT_USE + 1, TRUE, 1,
                                         types, nullptr, nullptr, FALSE, FALSE, 0, nullptr, nullptr,
                                         nullptr)) ||
      !monikers) {
    return;
  }
  IMoniker* next = nullptr;
  while (monikers->Next(1, &next, nullptr) == S_OK) {
    ComPtr<IMoniker> moniker(next);
    AudioDecoderCandidate candidate;
    candidate.name = MonikerName(moniker.Get());
    candidate.create = [moniker]() {
      ComPtr<IBaseFilter> filter;
      if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()))) {
        filter.Reset();
      }
      return filter;
    };
    candidates->push_back(candidate);
  }
}

ComPtr<IBaseFilter> WrapDmo(const CLSID& dmo) {
  ComPtr<IBaseFilter> filter;
  if (FAILED(CoCreateInstance(CLSID_DMOWrapperFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              filter.ReceiveVoid()))) {
    return ComPtr<IBaseFilter>();
  }
  ComPtr<IDMOWrapperFilter> wrapper;
  if (FAILED(filter->QueryInterface(IID_IDMOWrapperFilter, wrapper.ReceiveVoid())) ||
      FAILED(wrapper->Init(dmo, DMOCATEGORY_AUDIO_DECODER))) {
    return ComPtr<IBaseFilter>();
  }
  return filter;
}

void AddDmos(const GUID& majortype, const GUID& subtype,
             std::vector<AudioDecoderCandidate>* candidates) {
  DMO_PARTIAL_MEDIATYPE type = {majortype, subtype};
  IEnumDMO* raw = nullptr;
  if (FAILED(DMOEnum(DMOCATEGORY_AUDIO_DECODER, 0, 1, &type, 0, nullptr, &raw)) || raw == nullptr) return;
  ComPtr<IEnumDMO> dmos(raw);
  CLSID clsid;
  WCHAR* name = nullptr;
  while (dmos->Next(1, &clsid, &name, nullptr) == S_OK) {
    AudioDecoderCandidate candidate;
    candidate.name = name != nullptr ? NarrowName(name) : std::string();
    CoTaskMemFree(name);
    name = nullptr;
    bool listed = false;
    for (const AudioDecoderCandidate& c : *candidates) listed = listed || c.name == candidate.name;
    if (listed) continue;
    candidate.create = [clsid]() { return WrapDmo(clsid); };
    candidates->push_back(candidate);
  }
}

}  // namespace

std::vector<AudioDecoderCandidate> AudioDecoderCandidates(const GUID& majortype, const GUID& subtype) {
  std::vector<AudioDecoderCandidate> candidates;
  AddRegisteredFilters(majortype, subtype, &candidates);
  AddDmos(majortype, subtype, &candidates);
  return candidates;
}

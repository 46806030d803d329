#include "decode/filter_base.h"

#include "decode/com_ptr.h"
#include "decode/pin_enumerator.h"
#include "decode/query_interface.h"
#include "decode/wide_text.h"
#include "platform/critical_section_lock.h"

#include <cwchar>
#include <new>

FilterBase::FilterBase(CRITICAL_SECTION* lock, const CLSID& classId, const wchar_t* name)
    : LockedUnknown(lock), classId_(classId), name_(name) {}

FilterBase::~FilterBase() {
  IPin* video;
  IPin* audio;
  {
    CriticalSectionLock hold(lock_);
    video = videoPin_;
    audio = audioPin_;
    videoPin_ = nullptr;
    audioPin_ = nullptr;
  }
  if (video != nullptr) video->Release();
  if (audio != nullptr) audio->Release();
  if (clock_ != nullptr) clock_->Release();
}

void FilterBase::AdoptPins(IPin* videoPin, IPin* audioPin) {
  CriticalSectionLock hold(lock_);
  videoPin_ = videoPin;
  audioPin_ = audioPin;
}

void FilterBase::SetState(FILTER_STATE state) {
  CriticalSectionLock hold(lock_);
  state_ = state;
}

void FilterBase::GiveUpAudioPin() {
  IPin* audio;
  {
    CriticalSectionLock hold(lock_);
    audio = audioPin_;
    audioPin_ = nullptr;
  }
  if (audio == nullptr) return;
  HandOverPin(audio);
  audio->Release();
}

STDMETHODIMP FilterBase::QueryInterface(REFIID iid, void** object) {
  return QueryOwnInterface(this, {IID_IBaseFilter, IID_IMediaFilter, IID_IPersist}, iid, object);
}

STDMETHODIMP FilterBase::GetClassID(CLSID* classId) {
  if (classId == nullptr) return E_POINTER;
  *classId = classId_;
  return S_OK;
}

// Stopping leaves the allocators committed: the next Run commits them again,
// which a committed allocator accepts.
STDMETHODIMP FilterBase::Stop() {
  SetState(State_Stopped);
  return S_OK;
}

STDMETHODIMP FilterBase::Pause() {
  SetState(State_Paused);
  return S_OK;
}

STDMETHODIMP FilterBase::GetState(DWORD, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  *state = state_;
  return S_OK;
}

STDMETHODIMP FilterBase::SetSyncSource(IReferenceClock* clock) {
  IReferenceClock* old;
  {
    CriticalSectionLock hold(lock_);
    if (clock != nullptr) clock->AddRef();
    old = clock_;
    clock_ = clock;
  }
  if (old != nullptr) old->Release();
  return S_OK;
}

STDMETHODIMP FilterBase::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  *clock = clock_;
  if (clock_ != nullptr) clock_->AddRef();
  return S_OK;
}

STDMETHODIMP FilterBase::EnumPins(IEnumPins** pins) {
  if (pins == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  IPin* const list[2] = {videoPin_, audioPin_};
  const int count = videoPin_ == nullptr ? 0 : (audioPin_ != nullptr ? 2 : 1);
  *pins = new (std::nothrow) PinEnumerator(list, count);
  return *pins != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP FilterBase::FindPin(LPCWSTR id, IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  *pin = nullptr;
  if (id == nullptr) return VFW_E_NOT_FOUND;
  ComPtr<IEnumPins> pins;
  const HRESULT result = EnumPins(pins.Receive());
  if (FAILED(result)) return result;
  IPin* candidate = nullptr;
  while (pins->Next(1, &candidate, nullptr) == S_OK) {
    LPWSTR candidateId = nullptr;
    const bool same = SUCCEEDED(candidate->QueryId(&candidateId)) && candidateId != nullptr &&
                      std::wcscmp(candidateId, id) == 0;
    CoTaskMemFree(candidateId);
    if (same) {
      *pin = candidate;  // with the enumerator's reference
      return S_OK;
    }
    candidate->Release();
  }
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP FilterBase::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  CopyWide(info->achName, sizeof(info->achName) / sizeof(info->achName[0]), name_);
  info->pGraph = graph_;
  if (graph_ != nullptr) graph_->AddRef();
  return S_OK;
}

STDMETHODIMP FilterBase::JoinFilterGraph(IFilterGraph* graph, LPCWSTR) {
  CriticalSectionLock hold(lock_);
  if (graph != nullptr) {
    if (graph_ != nullptr) return E_FAIL;
    graph_ = graph;
    return S_OK;
  }
  if (graph_ == nullptr) return E_FAIL;
  graph_ = nullptr;
  return S_OK;
}

STDMETHODIMP FilterBase::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

// What the source's output pins and the grabber's input pins share: the
// pin's name, id and direction, its filter, the pin it is connected to, and
// the IPin methods that depend on nothing else. Connecting, disconnecting
// and the types offered are each side's own.
//
// Derived is the pin family (SourcePin or DestPin). It declares the virtual
// methods that follow IPin's, CheckMediaType among them, which QueryAccept
// asks; this class adds none, so Derived's slots stay where Derived puts them.
#pragma once

#include "decode/direct_show.h"
#include "decode/locked_unknown.h"
#include "decode/media_type.h"
#include "decode/wide_text.h"
#include "platform/critical_section_lock.h"

#include <cstring>

template <class Derived>
class PinBase : public LockedUnknown<Derived, IPin> {
 public:
  STDMETHODIMP ConnectedTo(IPin** pin) override {
    if (pin == nullptr) return E_POINTER;
    CriticalSectionLock hold(this->lock_);
    *pin = connectedPin_;
    if (connectedPin_ == nullptr) return VFW_E_NOT_CONNECTED;
    connectedPin_->AddRef();
    return S_OK;
  }

  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override {
    if (info == nullptr) return E_POINTER;
    info->pFilter = filter_;
    if (filter_ != nullptr) filter_->AddRef();
    info->dir = direction_;
    CopyWide(info->achName, sizeof(info->achName) / sizeof(info->achName[0]), name_);
    return S_OK;
  }

  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override {
    if (direction == nullptr) return E_POINTER;
    *direction = direction_;
    return S_OK;
  }

  STDMETHODIMP QueryId(LPWSTR* id) override {
    if (id == nullptr) return E_POINTER;
    *id = TaskMemoryCopy(id_);
    return *id != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override {
    CriticalSectionLock hold(this->lock_);
    return type != nullptr && static_cast<Derived*>(this)->CheckMediaType(type) ? S_OK : S_FALSE;
  }

  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }

  // The program never signals the end of a stream, flushes or starts
  // segments: it seeks by choosing which chunks to push.
  STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
  STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return E_UNEXPECTED; }

  bool IsConnected() const { return connectedPin_ != nullptr; }

  // Given up by its filter: the pin keeps the filter alive while the graph
  // may still reach it through its connection.
  void HoldFilter() {
    if (filter_ == nullptr || holdsFilter_) return;
    filter_->AddRef();
    holdsFilter_ = true;
  }

  // The filter is gone: QueryPinInfo then names no filter.
  void ForgetFilter() {
    filter_ = nullptr;
    holdsFilter_ = false;
  }

 protected:
  PinBase(CRITICAL_SECTION* lock, IBaseFilter* filter, PIN_DIRECTION direction, const wchar_t* name,
          const wchar_t* id)
      : LockedUnknown<Derived, IPin>(lock), filter_(filter), direction_(direction), name_(name), id_(id) {}
  // Runs after Derived's destructor: a held filter is released last.
  ~PinBase() {
    if (holdsFilter_) filter_->Release();
  }

  // ConnectionMediaType's answer: a copy of connection while connected.
  HRESULT CopyConnectionType(const AM_MEDIA_TYPE& connection, AM_MEDIA_TYPE* type) {
    if (type == nullptr) return E_POINTER;
    CriticalSectionLock hold(this->lock_);
    if (connectedPin_ == nullptr) {
      std::memset(type, 0, sizeof(*type));
      return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(type, &connection);
  }

  IPin* connectedPin_ = nullptr;  // not counted while connected

 private:
  // Not counted while the filter holds the pin; counted (holdsFilter_) once
  // the filter has given the pin up. Only the user-interface thread touches it.
  IBaseFilter* filter_;
  bool holdsFilter_ = false;
  const PIN_DIRECTION direction_;
  const wchar_t* name_;
  const wchar_t* id_;
};

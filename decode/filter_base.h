// What the program's two filters (the source and the grabber) share:
// IBaseFilter with IMediaFilter and IPersist, a state that changes at once
// (never transitional), and at most one video and one audio pin.
//
// Locking: every method takes the decoder's video lock, which is the lock of
// both filters. Giving up and releasing pins is done outside it, because the
// audio pins take the audio lock and no thread may hold one lock while
// taking the other.
#pragma once

#include "decode/direct_show.h"
#include "decode/locked_unknown.h"

class FilterBase : public LockedUnknown<FilterBase, IBaseFilter> {
 public:
  // IUnknown (AddRef and Release are LockedUnknown's)
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  // IPersist
  STDMETHODIMP GetClassID(CLSID* classId) override;
  // IMediaFilter (Run is each filter's own)
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

  // Releases the audio pin and forgets it (the sound is given up for good).
  void GiveUpAudioPin();

  // The pins the filter holds (no reference added; the audio pin may be null).
  IPin* VideoPin() const { return videoPin_; }
  IPin* AudioPin() const { return audioPin_; }
  // The graph joined, or null (no reference added).
  IFilterGraph* Graph() const { return graph_; }

 protected:
  // lock is the decoder's video lock.
  FilterBase(CRITICAL_SECTION* lock, const CLSID& classId, const wchar_t* name);
  virtual ~FilterBase();

  // Called by derived constructors; the filter takes over the references.
  void AdoptPins(IPin* videoPin, IPin* audioPin);
  // A pin given up may stay connected in the graph, which asks it for its
  // filter: from now on the pin holds a counted reference to the filter.
  virtual void HandOverPin(IPin* pin) = 0;
  // The filter is going while its pins may live on: they forget it.
  virtual void OrphanPin(IPin* pin) = 0;
  void SetState(FILTER_STATE state);
  CRITICAL_SECTION* Lock() const { return lock_; }

 private:
  friend class LockedUnknown<FilterBase, IBaseFilter>;  // Release deletes the filter

  IFilterGraph* graph_ = nullptr;  // not counted: the graph holds us, not the other way
  IPin* videoPin_ = nullptr;       // counted
  IPin* audioPin_ = nullptr;       // counted; null without sound
  CLSID classId_;
  FILTER_STATE state_ = State_Stopped;
  IReferenceClock* clock_ = nullptr;  // counted
  const wchar_t* name_;            // a fixed string
};

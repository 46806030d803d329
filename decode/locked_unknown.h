// AddRef and Release for an object of the decoding graph whose reference
// count is kept under its owner's lock (the decoder's video or audio lock,
// which the object's other methods take too), and which deletes itself when
// the count reaches zero. The object starts with the one reference its
// creator owns.
//
// Interface is the COM interface the object implements: its methods keep the
// interface's slots, and QueryInterface stays the object's own.
//
// Derived is the class deleted at zero. Release deletes through it rather
// than through a virtual destructor here, so that Derived's destructor keeps
// the vtable slot Derived gives it; a Derived with a non-public destructor
// befriends this class.
#pragma once

#include "platform/critical_section_lock.h"
#include "platform/win32.h"

template <class Derived, class Interface>
class LockedUnknown : public Interface {
 public:
  STDMETHODIMP_(ULONG) AddRef() override {
    CriticalSectionLock hold(lock_);
    return ++references_;
  }

  // The object is deleted outside the lock: its destructor releases other
  // objects, which may take the other of the decoder's two locks.
  STDMETHODIMP_(ULONG) Release() override {
    LONG left;
    {
      CriticalSectionLock hold(lock_);
      left = --references_;
    }
    if (left <= 0) {
      delete static_cast<Derived*>(this);
      return 0;
    }
    return left;
  }

 protected:
  explicit LockedUnknown(CRITICAL_SECTION* lock) : lock_(lock) { AddRef(); }
  ~LockedUnknown() = default;

  CRITICAL_SECTION* const lock_;

 private:
  LONG references_ = 0;
};

// An owned COM reference, released when the holder goes out of scope, so that
// no early return leaks a filter, a pin or an enumerator.
#pragma once

#include <utility>

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already owns.
  explicit ComPtr(T* adopted) : object_(adopted) {}
  ComPtr(const ComPtr& other) : object_(other.object_) {
    if (object_ != nullptr) object_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  ~ComPtr() { Reset(); }
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  // A new reference to an object somebody else owns.
  static ComPtr Share(T* object) {
    if (object != nullptr) object->AddRef();
    return ComPtr(object);
  }

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  // Releases the held reference and takes over another one (or none).
  void Reset(T* adopted = nullptr) {
    T* old = object_;
    object_ = adopted;
    if (old != nullptr) old->Release();
  }

  // Hands the reference over to the caller.
  T* Detach() {
    T* object = object_;
    object_ = nullptr;
    return object;
  }

  // For out-parameters of COM calls: releases what is held first.
  T** Receive() {
    Reset();
    return &object_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

 private:
  T* object_ = nullptr;
};

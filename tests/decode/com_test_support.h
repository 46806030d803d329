// Helpers for the decoding bridge's Windows tests: a COM apartment per test,
// reference counts read back exactly, and decoder contexts with hand-made
// stream formats.
#pragma once

#include "decode/decoder_context.h"
#include "decode/direct_show.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// Every test that creates COM objects runs inside an apartment.
class ComTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
};

// The object's reference count, read without changing it.
inline ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// A decoder context with a video format of the given size and code, and
// optionally a sound format (the bytes of a WAVEFORMATEX and what follows).
struct TestStreams {
  TestStreams(int32_t width, int32_t height, uint32_t compression, uint16_t bitCount,
              std::vector<uint8_t> wave = {});

  DecoderContext context;
  std::vector<uint8_t> videoFormat;
  std::vector<uint8_t> audioFormat;
};

// The bytes of a WAVEFORMATEX with extra bytes behind it.
std::vector<uint8_t> WaveFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                uint16_t blockAlign, std::vector<uint8_t> extra = {});

// An input pin that counts its references, records its connection and can
// refuse parts of it (like a decompressor's input, it has no allocator).
class FakeInputPin : public IPin, public IMemInputPin {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    *object = nullptr;
    if (IsEqualIID(iid, IID_IMemInputPin) && hasTransport) *object = static_cast<IMemInputPin*>(this);
    if (IsEqualIID(iid, IID_IPin) || IsEqualIID(iid, IID_IUnknown)) *object = static_cast<IPin*>(this);
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE*) override {
    connected = connector;
    return S_OK;
  }
  STDMETHODIMP Disconnect() override {
    connected = nullptr;
    return S_OK;
  }
  STDMETHODIMP ConnectedTo(IPin**) override { return E_NOTIMPL; }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override {
    *direction = PINDIR_INPUT;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_OK; }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return S_OK; }
  STDMETHODIMP BeginFlush() override { return S_OK; }
  STDMETHODIMP EndFlush() override { return S_OK; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }
  STDMETHODIMP GetAllocator(IMemAllocator**) override { return VFW_E_NO_ALLOCATOR; }
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL) override {
    notified = allocator;
    return notifyResult;
  }
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  STDMETHODIMP Receive(IMediaSample*) override {
    ++received;
    return S_OK;
  }
  STDMETHODIMP ReceiveMultiple(IMediaSample**, long, long*) override { return E_NOTIMPL; }
  STDMETHODIMP ReceiveCanBlock() override { return S_FALSE; }

  ULONG references = 1;
  bool hasTransport = true;
  HRESULT notifyResult = S_OK;
  IPin* connected = nullptr;
  IMemAllocator* notified = nullptr;
  int received = 0;
};

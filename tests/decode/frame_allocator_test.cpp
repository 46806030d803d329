// The grabber video pin's transport, allocator and sample: the one-buffer,
// zero-copy path, with exact HRESULTs and reference counts.
#include "decode/com_ptr.h"
#include "decode/dest_transport.h"
#include "decode/dest_video_pin.h"
#include "decode/frame_allocator.h"
#include "decode/frame_sample.h"
#include "decode/sample_grabber_filter.h"
#include "tests/decode/com_test_support.h"

#include <gtest/gtest.h>

namespace {

class FrameAllocatorTest : public ComTest {
 protected:
  void SetUp() override {
    ComTest::SetUp();
    streams_.reset(new TestStreams(320, 240, kFourccYuy2, 16));
    grabber_ = new SampleGrabberFilter(&streams_->context, false);
    pin_ = grabber_->VideoInput();
    ASSERT_EQ(S_OK, pin_->QueryInterface(IID_IMemInputPin, transport_.ReceiveVoid()));
    ASSERT_EQ(S_OK, transport_->GetAllocator(allocator_.Receive()));
  }
  void TearDown() override {
    allocator_.Reset();
    transport_.Reset();
    if (grabber_ != nullptr) EXPECT_EQ(0u, grabber_->Release());
    EXPECT_EQ(0, FrameAllocator::Live());
    EXPECT_EQ(0, FrameSample::Live());
    EXPECT_EQ(0, DestTransport::Live());
    EXPECT_EQ(0, DestVideoPin::Live());
    streams_.reset();
    ComTest::TearDown();
  }

  std::unique_ptr<TestStreams> streams_;
  SampleGrabberFilter* grabber_ = nullptr;
  DestVideoPin* pin_ = nullptr;
  ComPtr<IMemInputPin> transport_;
  ComPtr<IMemAllocator> allocator_;
};

}  // namespace

TEST_F(FrameAllocatorTest, StartsWithOneBufferAlignedToFour) {
  ALLOCATOR_PROPERTIES properties = {};
  EXPECT_EQ(S_OK, allocator_->GetProperties(&properties));
  EXPECT_EQ(1, properties.cBuffers);
  EXPECT_EQ(0, properties.cbBuffer);  // the pin is not connected yet
  EXPECT_EQ(4, properties.cbAlign);
  EXPECT_EQ(0, properties.cbPrefix);
  // The allocator's references are its pin's: the grabber's, and the
  // transport's and the allocator's that the test holds.
  EXPECT_EQ(3u, RefCount(allocator_.Get()));
  // The same allocator every time.
  ComPtr<IMemAllocator> again;
  EXPECT_EQ(S_OK, transport_->GetAllocator(again.Receive()));
  EXPECT_EQ(allocator_.Get(), again.Get());
  EXPECT_EQ(4u, RefCount(allocator_.Get()));
}

TEST_F(FrameAllocatorTest, SetPropertiesTakesOnlyOneUnprefixedBuffer) {
  ALLOCATOR_PROPERTIES request = {2, 5000, 1, 0};
  ALLOCATOR_PROPERTIES actual = {};
  EXPECT_EQ(VFW_E_BADALIGN, allocator_->SetProperties(&request, &actual));
  EXPECT_EQ(1, actual.cBuffers);  // still one buffer reported
  EXPECT_EQ(0, actual.cbBuffer);

  request = {1, 5000, 8, 0};
  EXPECT_EQ(VFW_E_BADALIGN, allocator_->SetProperties(&request, &actual));
  request = {1, 5000, 4, 16};
  EXPECT_EQ(VFW_E_BADALIGN, allocator_->SetProperties(&request, &actual));

  request = {1, 5000, 2, 0};
  EXPECT_EQ(S_OK, allocator_->SetProperties(&request, &actual));
  EXPECT_EQ(5000, actual.cbBuffer);
  EXPECT_EQ(2, actual.cbAlign);
  EXPECT_EQ(S_OK, allocator_->SetProperties(&request, nullptr));
  EXPECT_EQ(S_OK, allocator_->Commit());
  EXPECT_EQ(S_OK, allocator_->Decommit());
}

TEST_F(FrameAllocatorTest, GetBufferHandsOutTheOneSampleOverTheDestinationFrame) {
  ALLOCATOR_PROPERTIES request = {1, 153600, 4, 0};
  ALLOCATOR_PROPERTIES actual = {};
  ASSERT_EQ(S_OK, allocator_->SetProperties(&request, &actual));

  uint8_t first[16], second[16];
  streams_->context.destinationFrame = first;
  REFERENCE_TIME start = 400000, end = 800000;
  IMediaSample* sample = nullptr;
  ASSERT_EQ(S_OK, allocator_->GetBuffer(&sample, &start, &end, 0));
  EXPECT_EQ(4u, RefCount(sample));  // the pin's three and ours
  BYTE* pointer = nullptr;
  EXPECT_EQ(S_OK, sample->GetPointer(&pointer));
  EXPECT_EQ(first, pointer);
  EXPECT_EQ(153600, sample->GetSize());
  REFERENCE_TIME gotStart = 0, gotEnd = 0;
  EXPECT_EQ(S_OK, sample->GetTime(&gotStart, &gotEnd));
  EXPECT_EQ(400000, gotStart);
  EXPECT_EQ(800000, gotEnd);

  // A second GetBuffer never waits: the same sample, now over the new frame,
  // which the sample obtained earlier shows as well.
  streams_->context.destinationFrame = second;
  IMediaSample* again = nullptr;
  ASSERT_EQ(S_OK, allocator_->GetBuffer(&again, nullptr, nullptr, 0));
  EXPECT_EQ(sample, again);
  EXPECT_EQ(5u, RefCount(sample));
  EXPECT_EQ(S_OK, sample->GetPointer(&pointer));
  EXPECT_EQ(second, pointer);
  EXPECT_EQ(S_OK, allocator_->ReleaseBuffer(sample));
  EXPECT_EQ(4u, again->Release());
  EXPECT_EQ(3u, sample->Release());
}

TEST_F(FrameAllocatorTest, TheSampleKeepsItsFlagsAndLength) {
  IMediaSample* sample = nullptr;
  ASSERT_EQ(S_OK, allocator_->GetBuffer(&sample, nullptr, nullptr, 0));
  EXPECT_EQ(S_FALSE, sample->IsSyncPoint());
  EXPECT_EQ(S_FALSE, sample->IsDiscontinuity());
  EXPECT_EQ(S_OK, sample->SetSyncPoint(TRUE));
  EXPECT_EQ(S_OK, sample->SetDiscontinuity(TRUE));
  EXPECT_EQ(S_OK, sample->IsSyncPoint());
  EXPECT_EQ(S_OK, sample->IsDiscontinuity());
  // The length is stored as given, even beyond the size.
  EXPECT_EQ(S_OK, sample->SetActualDataLength(230400));
  EXPECT_EQ(230400, sample->GetActualDataLength());
  AM_MEDIA_TYPE* type = reinterpret_cast<AM_MEDIA_TYPE*>(&type);
  EXPECT_EQ(S_FALSE, sample->GetMediaType(&type));
  EXPECT_EQ(nullptr, type);
  EXPECT_EQ(3u, sample->Release());
}

TEST_F(FrameAllocatorTest, TransportNamesItsNeedsAndNeverBlocks) {
  ALLOCATOR_PROPERTIES properties = {};
  EXPECT_EQ(S_OK, transport_->GetAllocatorRequirements(&properties));
  EXPECT_EQ(1, properties.cBuffers);
  EXPECT_EQ(0, properties.cbBuffer);  // unconnected: no picture size yet
  EXPECT_EQ(4, properties.cbAlign);
  EXPECT_EQ(0, properties.cbPrefix);
  EXPECT_EQ(S_FALSE, transport_->ReceiveCanBlock());
}

// The MP3 decoder asks for 8-byte buffers; the audio pin raises them to one
// second of output sound.
TEST_F(FrameAllocatorTest, NotifyAllocatorRaisesASmallBufferToThePinsSize) {
  TestStreams streams(320, 240, kFourccYuy2, 16, WaveFormat(WAVE_FORMAT_PCM, 2, 44100, 16, 4));
  auto* grabber = new SampleGrabberFilter(&streams.context, true);
  ComPtr<IMemInputPin> audioTransport;
  ASSERT_EQ(S_OK, grabber->AudioPin()->QueryInterface(IID_IMemInputPin, audioTransport.ReceiveVoid()));

  ComPtr<IMemAllocator> memory;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IMemAllocator, memory.ReceiveVoid()));
  ALLOCATOR_PROPERTIES request = {2, 8, 1, 0};
  ALLOCATOR_PROPERTIES actual = {};
  ASSERT_EQ(S_OK, memory->SetProperties(&request, &actual));
  EXPECT_EQ(S_OK, audioTransport->NotifyAllocator(memory.Get(), FALSE));
  EXPECT_EQ(S_OK, memory->GetProperties(&actual));
  EXPECT_EQ(176400, actual.cbBuffer);
  EXPECT_EQ(2, actual.cBuffers);
  EXPECT_EQ(memory.Get(), static_cast<DestTransport*>(audioTransport.Get())->NotifiedAllocator());

  // A buffer that is large enough stays as it is.
  request = {1, 200000, 1, 0};
  ASSERT_EQ(S_OK, memory->SetProperties(&request, &actual));
  EXPECT_EQ(S_OK, audioTransport->NotifyAllocator(memory.Get(), TRUE));
  EXPECT_EQ(S_OK, memory->GetProperties(&actual));
  EXPECT_EQ(200000, actual.cbBuffer);

  audioTransport.Reset();
  EXPECT_EQ(0u, grabber->Release());
}

TEST_F(FrameAllocatorTest, ReceiveMultipleStopsAtTheFirstFailure) {
  IMediaSample* sample = nullptr;
  ASSERT_EQ(S_OK, allocator_->GetBuffer(&sample, nullptr, nullptr, 0));
  uint8_t frame[4];
  streams_->context.destinationFrame = frame;
  IMediaSample* samples[3] = {sample, nullptr, sample};
  long processed = -1;
  EXPECT_EQ(E_POINTER, transport_->ReceiveMultiple(samples, 3, &processed));
  EXPECT_EQ(1, processed);
  samples[1] = sample;
  EXPECT_EQ(S_OK, transport_->ReceiveMultiple(samples, 3, &processed));
  EXPECT_EQ(3, processed);
  sample->Release();
}

// The transport, the allocator and the sample are parts of the pin: the
// transport answers with the pin's identity, and whatever a decompressor
// keeps of them keeps the pin (and the filter that handed it out) alive
// after the grabber itself was released.
TEST_F(FrameAllocatorTest, WhatADecompressorKeepsKeepsThePinAlive) {
  ComPtr<IUnknown> pinIdentity, transportIdentity;
  ASSERT_EQ(S_OK, pin_->QueryInterface(IID_IUnknown, pinIdentity.ReceiveVoid()));
  ASSERT_EQ(S_OK, transport_->QueryInterface(IID_IUnknown, transportIdentity.ReceiveVoid()));
  EXPECT_EQ(pinIdentity.Get(), transportIdentity.Get());
  ComPtr<IPin> backToPin;
  EXPECT_EQ(S_OK, transport_->QueryInterface(IID_IPin, backToPin.ReceiveVoid()));
  pinIdentity.Reset();
  transportIdentity.Reset();
  backToPin.Reset();

  IMediaSample* sample = nullptr;
  ASSERT_EQ(S_OK, allocator_->GetBuffer(&sample, nullptr, nullptr, 0));
  allocator_.Reset();
  transport_.Reset();
  EXPECT_EQ(0u, grabber_->Release());
  grabber_ = nullptr;
  // Only the sample holds the pin now, and it still works.
  EXPECT_EQ(1, DestVideoPin::Live());
  EXPECT_EQ(S_OK, sample->SetActualDataLength(0));
  sample->Release();
  EXPECT_EQ(0, DestVideoPin::Live());
}

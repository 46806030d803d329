// The grabber video pin's transport, allocator and sample: the one-buffer,
// zero-copy path, and the references a decompressor holds.
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

// What a decompressor asks before it decodes: one buffer aligned to four,
// sized once the pin is connected; more buffers, a wider alignment or a
// prefix are refused. The allocator's references are its pin's.
TEST_F(FrameAllocatorTest, OneUnprefixedBufferAlignedToFour) {
  ALLOCATOR_PROPERTIES properties = {};
  EXPECT_EQ(S_OK, transport_->GetAllocatorRequirements(&properties));
  EXPECT_EQ(1, properties.cBuffers);
  EXPECT_EQ(0, properties.cbBuffer);  // unconnected: no picture size yet
  EXPECT_EQ(4, properties.cbAlign);
  EXPECT_EQ(3u, RefCount(allocator_.Get()));  // the grabber's, the transport's and ours
  const ALLOCATOR_PROPERTIES refused[] = {{2, 5000, 1, 0}, {1, 5000, 8, 0}, {1, 5000, 4, 16}};
  for (ALLOCATOR_PROPERTIES request : refused) {
    ALLOCATOR_PROPERTIES actual = {};
    EXPECT_EQ(VFW_E_BADALIGN, allocator_->SetProperties(&request, &actual)) << request.cBuffers;
    EXPECT_EQ(1, actual.cBuffers);
  }
  ALLOCATOR_PROPERTIES request = {1, 5000, 2, 0}, actual = {};
  EXPECT_EQ(S_OK, allocator_->SetProperties(&request, &actual));
  EXPECT_EQ(5000, actual.cbBuffer);
}

TEST_F(FrameAllocatorTest, GetBufferHandsOutTheOneSampleOverTheDestinationFrame) {
  ALLOCATOR_PROPERTIES request = {1, 153600, 4, 0};
  ALLOCATOR_PROPERTIES actual = {};
  ASSERT_EQ(S_OK, allocator_->SetProperties(&request, &actual));

  uint8_t first[16], second[16];
  streams_->context.destinationFrame = first;
  IMediaSample* sample = nullptr;
  ASSERT_EQ(S_OK, allocator_->GetBuffer(&sample, nullptr, nullptr, 0));
  EXPECT_EQ(4u, RefCount(sample));  // the pin's three and ours
  BYTE* pointer = nullptr;
  EXPECT_EQ(S_OK, sample->GetPointer(&pointer));
  EXPECT_EQ(first, pointer);
  EXPECT_EQ(153600, sample->GetSize());

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

  // A buffer that is large enough stays as it is.
  request = {1, 200000, 1, 0};
  ASSERT_EQ(S_OK, memory->SetProperties(&request, &actual));
  EXPECT_EQ(S_OK, audioTransport->NotifyAllocator(memory.Get(), TRUE));
  EXPECT_EQ(S_OK, memory->GetProperties(&actual));
  EXPECT_EQ(200000, actual.cbBuffer);

  audioTransport.Reset();
  EXPECT_EQ(0u, grabber->Release());
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

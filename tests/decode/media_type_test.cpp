// CopyMediaType / FreeMediaType and the two enumerators: deep copies, the
// references they hold, and where the cursor goes past the end.
#include "decode/com_ptr.h"
#include "decode/media_type.h"
#include "decode/media_type_enumerator.h"
#include "decode/pin_enumerator.h"
#include "decode/sample_grabber_filter.h"
#include "tests/decode/com_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

AM_MEDIA_TYPE TypeWithFormat(const GUID& subtype, BYTE* format, ULONG size) {
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = subtype;
  type.formattype = FORMAT_VideoInfo;
  type.cbFormat = size;
  type.pbFormat = format;
  return type;
}

void FreeHandedOut(AM_MEDIA_TYPE* type) {
  FreeMediaType(type);
  CoTaskMemFree(type);
}

// The references taken are counted on a grabber and its pins.
using MediaTypeTest = ComTest;

}  // namespace

TEST_F(MediaTypeTest, CopyGivesTheCopyItsOwnBlockAndReferencesPunk) {
  BYTE format[88];
  for (int i = 0; i < 88; ++i) format[i] = static_cast<BYTE>(i * 3);
  TestStreams streams(320, 240, kFourccYuy2, 16);
  ComPtr<SampleGrabberFilter> grabber(new SampleGrabberFilter(&streams.context, false));
  AM_MEDIA_TYPE source = TypeWithFormat(MEDIASUBTYPE_YUY2, format, sizeof(format));
  source.pUnk = grabber.Get();

  AM_MEDIA_TYPE copy = {};
  ASSERT_EQ(S_OK, CopyMediaType(&copy, &source));
  ASSERT_EQ(88u, copy.cbFormat);
  EXPECT_NE(format, copy.pbFormat);
  EXPECT_EQ(0, std::memcmp(format, copy.pbFormat, sizeof(format)));
  EXPECT_EQ(2u, RefCount(source.pUnk));
  FreeMediaType(&copy);
  EXPECT_EQ(nullptr, copy.pbFormat);
  EXPECT_EQ(nullptr, copy.pUnk);
  EXPECT_EQ(1u, RefCount(source.pUnk));
  EXPECT_EQ(E_POINTER, CopyMediaType(&copy, &copy));  // a self-copy would free its own block

  source.cbFormat = 0;  // an empty format is not shared
  ASSERT_EQ(S_OK, CopyMediaType(&copy, &source));
  EXPECT_EQ(nullptr, copy.pbFormat);
  FreeMediaType(&copy);
}

TEST(AverageTimePerFrameTest, TruncatesAndSurvivesAZeroRate) {
  EXPECT_EQ(333666, AverageTimePerFrame(30000, 1001));  // 333,666.66 truncated
  EXPECT_EQ(0, AverageTimePerFrame(0, 1));
  EXPECT_EQ(0, AverageTimePerFrame(25, 0));
}

// Next past the end hands out what is there and stays at the end; a clone
// keeps the cursor and, like the original, its own deep copies.
TEST(MediaTypeEnumeratorTest, HandsOutDeepCopiesAndStaysAtTheEnd) {
  BYTE blocks[2][40];
  for (int i = 0; i < 40; ++i) blocks[0][i] = static_cast<BYTE>(i), blocks[1][i] = static_cast<BYTE>(100 + i);
  const AM_MEDIA_TYPE types[2] = {TypeWithFormat(MEDIASUBTYPE_YUY2, blocks[0], 40),
                                  TypeWithFormat(MEDIASUBTYPE_RGB24, blocks[1], 40)};
  auto* enumerator = new MediaTypeEnumerator(types, 2);
  std::memset(blocks[1], 0xEE, sizeof(blocks[1]));  // the source may go

  AM_MEDIA_TYPE* out[3] = {};
  ULONG fetched = 99;
  EXPECT_EQ(S_FALSE, enumerator->Next(3, out, &fetched));
  ASSERT_EQ(2u, fetched);
  EXPECT_TRUE(IsEqualGUID(out[0]->subtype, MEDIASUBTYPE_YUY2));
  EXPECT_EQ(101, out[1]->pbFormat[1]);
  EXPECT_EQ(nullptr, out[2]);
  FreeHandedOut(out[0]);
  FreeHandedOut(out[1]);
  EXPECT_EQ(S_FALSE, enumerator->Next(1, out, &fetched));
  EXPECT_EQ(0u, fetched);

  EXPECT_EQ(S_OK, enumerator->Reset());
  EXPECT_EQ(S_OK, enumerator->Skip(1));
  IEnumMediaTypes* clone = nullptr;
  ASSERT_EQ(S_OK, enumerator->Clone(&clone));
  EXPECT_EQ(0u, enumerator->Release());
  EXPECT_EQ(S_OK, clone->Next(1, out, nullptr));
  EXPECT_TRUE(IsEqualGUID(out[0]->subtype, MEDIASUBTYPE_RGB24));
  EXPECT_EQ(101, out[0]->pbFormat[1]);
  FreeHandedOut(out[0]);
  EXPECT_EQ(S_FALSE, clone->Skip(5));
  EXPECT_EQ(0u, clone->Release());
  EXPECT_EQ(0, MediaTypeEnumerator::Live());
}

TEST_F(MediaTypeTest, PinEnumeratorNextPastTheEndReturnsToTheStart) {
  TestStreams streams(320, 240, kFourccYuy2, 16, WaveFormat(WAVE_FORMAT_PCM, 2, 44100, 16, 4));
  ComPtr<SampleGrabberFilter> grabber(new SampleGrabberFilter(&streams.context, true));
  IPin* const pins[2] = {grabber->VideoPin(), grabber->AudioPin()};
  auto* enumerator = new PinEnumerator(pins, 2);
  EXPECT_EQ(1u, RefCount(pins[0]));  // the enumerator holds no references

  IPin* out[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, enumerator->Next(3, out, &fetched));
  EXPECT_EQ(2u, fetched);
  EXPECT_EQ(pins[1], out[1]);
  EXPECT_EQ(2u, RefCount(pins[0]));
  // Back at the start: the next pin is the first again.
  EXPECT_EQ(S_OK, enumerator->Next(1, &out[2], &fetched));
  EXPECT_EQ(pins[0], out[2]);
  EXPECT_EQ(3u, RefCount(pins[0]));
  for (IPin* pin : out) pin->Release();

  IEnumPins* clone = nullptr;
  ASSERT_EQ(S_OK, enumerator->Clone(&clone));
  EXPECT_EQ(S_OK, clone->Next(1, out, nullptr));
  EXPECT_EQ(pins[1], out[0]);
  out[0]->Release();
  EXPECT_EQ(S_FALSE, clone->Skip(2));
  EXPECT_EQ(0u, clone->Release());
  EXPECT_EQ(0u, enumerator->Release());
  EXPECT_EQ(0, PinEnumerator::Live());
}

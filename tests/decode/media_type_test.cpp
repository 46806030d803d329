// CopyMediaType / FreeMediaType and the two enumerators, with the exact
// HRESULTs and reference counts after every call.
#include "decode/media_type.h"
#include "decode/media_type_enumerator.h"
#include "decode/pin_enumerator.h"
#include "tests/decode/com_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

AM_MEDIA_TYPE TypeWithFormat(const GUID& subtype, BYTE* format, ULONG size) {
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = subtype;
  type.formattype = FORMAT_VideoInfo;
  type.lSampleSize = 1234;
  type.cbFormat = size;
  type.pbFormat = format;
  return type;
}

void FreeHandedOut(AM_MEDIA_TYPE* type) {
  FreeMediaType(type);
  CoTaskMemFree(type);
}

}  // namespace

TEST(CopyMediaTypeTest, GivesTheCopyItsOwnBlockAndReferencesPunk) {
  BYTE format[88];
  for (int i = 0; i < 88; ++i) format[i] = static_cast<BYTE>(i * 3);
  FakeInputPin unknown;  // counts what happens to pUnk
  AM_MEDIA_TYPE source = TypeWithFormat(MEDIASUBTYPE_YUY2, format, sizeof(format));
  source.pUnk = static_cast<IPin*>(&unknown);

  AM_MEDIA_TYPE copy = {};
  ASSERT_EQ(S_OK, CopyMediaType(&copy, &source));
  EXPECT_TRUE(IsEqualGUID(copy.subtype, MEDIASUBTYPE_YUY2));
  EXPECT_EQ(1234u, copy.lSampleSize);
  ASSERT_EQ(88u, copy.cbFormat);
  EXPECT_NE(format, copy.pbFormat);
  EXPECT_EQ(0, std::memcmp(format, copy.pbFormat, sizeof(format)));
  EXPECT_EQ(2u, unknown.references);

  FreeMediaType(&copy);
  EXPECT_EQ(0u, copy.cbFormat);
  EXPECT_EQ(nullptr, copy.pbFormat);
  EXPECT_EQ(nullptr, copy.pUnk);
  EXPECT_EQ(1u, unknown.references);
  FreeMediaType(nullptr);  // ignored
  EXPECT_EQ(E_POINTER, CopyMediaType(&copy, &copy));  // a self-copy would free its own block
}

TEST(CopyMediaTypeTest, AnEmptyFormatIsNotShared) {
  BYTE format[4] = {1, 2, 3, 4};
  AM_MEDIA_TYPE source = TypeWithFormat(MEDIASUBTYPE_RGB24, format, 0);
  AM_MEDIA_TYPE copy = {};
  ASSERT_EQ(S_OK, CopyMediaType(&copy, &source));
  EXPECT_EQ(nullptr, copy.pbFormat);
  FreeMediaType(&copy);
}

TEST(AverageTimePerFrameTest, TruncatesAndSurvivesAZeroRate) {
  EXPECT_EQ(400000, AverageTimePerFrame(25, 1));
  EXPECT_EQ(333666, AverageTimePerFrame(30000, 1001));  // 333,666.66 truncated
  EXPECT_EQ(0, AverageTimePerFrame(0, 1));
  EXPECT_EQ(0, AverageTimePerFrame(25, 0));
}

class MediaTypeEnumeratorTest : public ComTest {
 protected:
  void SetUp() override {
    ComTest::SetUp();
    for (int i = 0; i < 40; ++i) blocks_[0][i] = static_cast<BYTE>(i), blocks_[1][i] = static_cast<BYTE>(100 + i);
    types_[0] = TypeWithFormat(MEDIASUBTYPE_YUY2, blocks_[0], 40);
    types_[1] = TypeWithFormat(MEDIASUBTYPE_RGB24, blocks_[1], 40);
  }
  BYTE blocks_[2][40];
  AM_MEDIA_TYPE types_[2];
};

TEST_F(MediaTypeEnumeratorTest, NextPastTheEndHandsOutWhatIsThereAndStaysAtTheEnd) {
  auto* enumerator = new MediaTypeEnumerator(types_, 2);
  EXPECT_EQ(1u, RefCount(enumerator));

  AM_MEDIA_TYPE* out[3] = {};
  ULONG fetched = 99;
  EXPECT_EQ(S_FALSE, enumerator->Next(3, out, &fetched));
  ASSERT_EQ(2u, fetched);
  EXPECT_TRUE(IsEqualGUID(out[0]->subtype, MEDIASUBTYPE_YUY2));
  EXPECT_TRUE(IsEqualGUID(out[1]->subtype, MEDIASUBTYPE_RGB24));
  EXPECT_NE(blocks_[1], out[1]->pbFormat);
  EXPECT_EQ(0, std::memcmp(blocks_[1], out[1]->pbFormat, 40));
  EXPECT_EQ(nullptr, out[2]);
  FreeHandedOut(out[0]);
  FreeHandedOut(out[1]);

  // The cursor stayed at 2: nothing more, until Reset.
  AM_MEDIA_TYPE* more = nullptr;
  EXPECT_EQ(S_FALSE, enumerator->Next(1, &more, &fetched));
  EXPECT_EQ(0u, fetched);
  EXPECT_EQ(S_OK, enumerator->Reset());
  EXPECT_EQ(S_OK, enumerator->Next(1, &more, &fetched));
  EXPECT_EQ(1u, fetched);
  EXPECT_TRUE(IsEqualGUID(more->subtype, MEDIASUBTYPE_YUY2));
  FreeHandedOut(more);

  EXPECT_EQ(0u, enumerator->Release());
  EXPECT_EQ(0, MediaTypeEnumerator::Live());
}

TEST_F(MediaTypeEnumeratorTest, SkipAndCloneOfDeepCopies) {
  auto* enumerator = new MediaTypeEnumerator(types_, 2);
  EXPECT_EQ(S_OK, enumerator->Skip(1));
  EXPECT_EQ(S_FALSE, enumerator->Skip(5));

  EXPECT_EQ(S_OK, enumerator->Reset());
  EXPECT_EQ(S_OK, enumerator->Skip(1));
  IEnumMediaTypes* clone = nullptr;
  ASSERT_EQ(S_OK, enumerator->Clone(&clone));
  EXPECT_EQ(1u, RefCount(clone));
  EXPECT_EQ(2, MediaTypeEnumerator::Live());
  // The source's block may go: the enumerators hold deep copies.
  std::memset(blocks_[1], 0xEE, sizeof(blocks_[1]));
  AM_MEDIA_TYPE* out = nullptr;
  EXPECT_EQ(S_OK, clone->Next(1, &out, nullptr));
  EXPECT_TRUE(IsEqualGUID(out->subtype, MEDIASUBTYPE_RGB24));
  EXPECT_EQ(101, out->pbFormat[1]);
  FreeHandedOut(out);

  EXPECT_EQ(0u, clone->Release());
  EXPECT_EQ(0u, enumerator->Release());
  EXPECT_EQ(0, MediaTypeEnumerator::Live());
}

TEST_F(MediaTypeEnumeratorTest, ANegativeCountIsEmpty) {
  auto* enumerator = new MediaTypeEnumerator(types_, -3);
  AM_MEDIA_TYPE* out = nullptr;
  ULONG fetched = 7;
  EXPECT_EQ(S_FALSE, enumerator->Next(1, &out, &fetched));
  EXPECT_EQ(0u, fetched);
  enumerator->Release();
}

TEST(PinEnumeratorTest, NextPastTheEndReturnsToTheStart) {
  FakeInputPin first, second;  // the enumerator only counts references
  IPin* pins[2] = {&first, &second};
  auto* enumerator = new PinEnumerator(pins, 2);
  EXPECT_EQ(1u, first.references);  // the enumerator holds no references

  IPin* out[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, enumerator->Next(3, out, &fetched));
  EXPECT_EQ(2u, fetched);
  EXPECT_EQ(&first, out[0]);
  EXPECT_EQ(&second, out[1]);
  EXPECT_EQ(2u, first.references);
  EXPECT_EQ(2u, second.references);

  // Back at the start: the next pin is the first again.
  IPin* again = nullptr;
  EXPECT_EQ(S_OK, enumerator->Next(1, &again, &fetched));
  EXPECT_EQ(&first, again);
  EXPECT_EQ(3u, first.references);
  EXPECT_EQ(S_OK, enumerator->Next(1, &again, &fetched));
  EXPECT_EQ(&second, again);
  // At the end nothing more comes, and the cursor returns to the start.
  EXPECT_EQ(S_FALSE, enumerator->Next(1, &again, &fetched));
  EXPECT_EQ(0u, fetched);

  EXPECT_EQ(S_OK, enumerator->Reset());
  EXPECT_EQ(S_OK, enumerator->Skip(1));
  IEnumPins* clone = nullptr;
  ASSERT_EQ(S_OK, enumerator->Clone(&clone));
  EXPECT_EQ(S_OK, clone->Next(1, &again, nullptr));
  EXPECT_EQ(&second, again);
  EXPECT_EQ(S_FALSE, clone->Skip(2));

  EXPECT_EQ(0u, clone->Release());
  EXPECT_EQ(0u, enumerator->Release());
  EXPECT_EQ(0, PinEnumerator::Live());
}

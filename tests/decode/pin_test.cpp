// The two filters' video pins: the media types of the source, what the
// grabber offers and accepts, what a decompressor may ask of the grabber's
// frame allocator, and the references it keeps. (Every decoding test makes
// the rest on a real graph: the enumerators and copied types of every
// connection, the graph's clock, the sound pins and their allocators, raw
// video straight into the grabber's frame; the lifecycle test counts what
// is left of them.)
#include "decode/media_type.h"
#include "tests/decode/clip_decoding_support.h"

namespace {

constexpr uint32_t kFourccCvid = 0x64697663;  // 'cvid'
constexpr uint32_t kFourccXvidLower = 0x64697678;  // 'xvid'
constexpr uint32_t kFourccXvidUpper = 0x44495658;  // 'XVID'

const BITMAPINFOHEADER& HeaderOf(const AM_MEDIA_TYPE& type) {
  return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
}

// A type an enumerator handed out, freed as its caller must.
void FreeHandedOut(AM_MEDIA_TYPE* type) {
  FreeMediaType(type);
  CoTaskMemFree(type);
}

// A video media type with a VIDEOINFOHEADER (the block is owned by the test).
struct TestVideoType {
  TestVideoType(const GUID& subtype, int32_t width, int32_t height, uint16_t bitCount, uint32_t compression = 0)
      : type{MEDIATYPE_Video, subtype, 0, 0, 0, FORMAT_VideoInfo, nullptr, sizeof(format), reinterpret_cast<BYTE*>(&format)} {
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, bitCount, compression, 0, 0, 0, 0, 0};
  }
  AM_MEDIA_TYPE type;
  VIDEOINFOHEADER format = {};
};

using PinTest = ComTest;

}  // namespace

// What the grabber offers for a picture: YUY2 top-down, then RGB24
// bottom-up, rows rounded up to four bytes; what it accepts: those two of the
// stream's size, of either row order, without a target rectangle.
TEST_F(PinTest, GrabberVideoOffersAndAcceptsYuy2AndRgb24OfTheStreamSize) {
  struct Offer { int32_t width, height; uint32_t yuy2Bytes, rgbBytes; };
  for (const Offer c : {Offer{320, 240, 153600, 230400}, Offer{321, 10, 644 * 10, 964 * 10}}) {
    SCOPED_TRACE(c.width);
    TestStreams streams(c.width, c.height, kFourccCvid, 24);
    ComPtr<SampleGrabberFilter> grabber(new SampleGrabberFilter(&streams.context, false));
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(S_OK, grabber->VideoInput()->EnumMediaTypes(types.Receive()));
    AM_MEDIA_TYPE* out[2] = {};
    ULONG fetched = 0;
    ASSERT_TRUE(types->Next(2, out, &fetched) == S_OK && fetched == 2);
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_YUY2, out[0]->subtype) && IsEqualGUID(MEDIASUBTYPE_RGB24, out[1]->subtype));
    EXPECT_EQ(c.yuy2Bytes, out[0]->lSampleSize);
    const BITMAPINFOHEADER &yuy2 = HeaderOf(*out[0]), &rgb = HeaderOf(*out[1]);
    EXPECT_EQ(std::vector<long>({long(c.yuy2Bytes), -c.height, long(kFourccYuy2), long(c.rgbBytes), c.height, 24}),
              std::vector<long>({long(yuy2.biSizeImage), yuy2.biHeight, long(yuy2.biCompression), long(rgb.biSizeImage),
                                 rgb.biHeight, rgb.biBitCount}));
    for (AM_MEDIA_TYPE* type : out) FreeHandedOut(type);
  }

  TestStreams streams(320, 240, kFourccCvid, 24);
  ComPtr<SampleGrabberFilter> grabber(new SampleGrabberFilter(&streams.context, false));
  DestVideoPin* pin = grabber->VideoInput();
  struct Case { const char* what; TestVideoType type; bool accepted; } cases[] = {
      {"YUY2 top-down", {MEDIASUBTYPE_YUY2, 320, -240, 16, kFourccYuy2}, true},
      {"YUY2 bottom-up (the sign is not compared)", {MEDIASUBTYPE_YUY2, 320, 240, 16, kFourccYuy2}, true},
      {"RGB24 bottom-up", {MEDIASUBTYPE_RGB24, 320, 240, 24}, true},
      {"RGB32", {MEDIASUBTYPE_RGB32, 320, 240, 32}, false},
      {"RGB24 top-down", {MEDIASUBTYPE_RGB24, 320, -240, 24}, true},
      {"UYVY", {MEDIASUBTYPE_UYVY, 320, 240, 16, 0x59565955}, false},
      {"RGB24 of another height", {MEDIASUBTYPE_RGB24, 320, 200, 24}, false},
      {"RGB24 of another width", {MEDIASUBTYPE_RGB24, 322, 240, 24}, false},
      {"YUY2 with 24 bits", {MEDIASUBTYPE_YUY2, 320, 240, 24, kFourccYuy2}, false},
      {"a source rectangle of the whole picture", {MEDIASUBTYPE_RGB24, 320, 240, 24}, true},
      {"a target rectangle", {MEDIASUBTYPE_RGB24, 320, 240, 24}, false},
      {"a format block cut short", {MEDIASUBTYPE_RGB24, 320, 240, 24}, false},
  };
  cases[9].type.format.rcSource = cases[10].type.format.rcSource = RECT{0, 0, 320, 240};
  cases[10].type.format.rcTarget = RECT{0, 0, 160, 120};
  cases[11].type.type.cbFormat = 87;
  for (Case& c : cases) EXPECT_EQ(c.accepted ? S_OK : S_FALSE, pin->QueryAccept(&c.type.type)) << c.what;
}

// The source's types carry the whole stream format to the decompressor.
// (Each connection checks the pin's own type; nobody proposes another.)
TEST_F(PinTest, SourceTypesCarryTheWholeFormat) {
  const struct { uint32_t compression; uint16_t bits; GUID subtype; } subtypes[] = {
      {0, 24, MEDIASUBTYPE_RGB24}, {0, 16, MEDIASUBTYPE_RGB555}, {0, 8, MEDIASUBTYPE_RGB8},
      {0, 32, MEDIASUBTYPE_RGB32}, {0, 12, GUID_NULL}, {kFourccXvidLower, 24, FourccSubtype(kFourccXvidUpper)},
      {0x33766964, 24, FourccSubtype(0x33564944)},  // div3: digits stay
      {0x61006261, 24, FourccSubtype(0x61004241)},  // "ab\0a": a zero byte ends the conversion
  };
  for (const auto& c : subtypes) {
    EXPECT_TRUE(IsEqualGUID(c.subtype, VideoSubtype(c.compression, c.bits))) << std::hex << c.compression;
  }
  EXPECT_EQ(0, AverageTimePerFrame(0, 1));  // a stream without a rate
  EXPECT_EQ(0, AverageTimePerFrame(25, 0));
  TestStreams video(176, -144, kFourccXvidLower, 24);
  video.videoFormat.resize(60, 0xAB);  // codec data behind the header
  video.context.video = {0, 50, 30000, 1001, video.videoFormat.data(), 60, 0, 100000, 0};
  ComPtr<AviSplitterFilter> splitter(new AviSplitterFilter(&video.context, false));
  const AM_MEDIA_TYPE& type = splitter->VideoOutput()->MediaType();
  ASSERT_TRUE(IsEqualGUID(FourccSubtype(kFourccXvidUpper), type.subtype) && type.cbFormat == 108);
  EXPECT_EQ(333666, reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->AvgTimePerFrame);  // 333,666.66 truncated
  EXPECT_EQ(0, std::memcmp(type.pbFormat + 48, video.videoFormat.data(), 60));
}

// What a decompressor asks before it decodes: one buffer aligned to four,
// sized once the pin is connected; more buffers, a wider alignment or a
// prefix are refused. The transport, the allocator and the sample are parts
// of the pin: the transport answers with the pin's identity, and whatever a
// decompressor keeps of them keeps the pin (and the filter that handed it
// out) alive after the grabber itself was released.
TEST_F(PinTest, TheFrameAllocatorTakesOneUnprefixedBufferAndKeepsItsPinAlive) {
  TestStreams streams(320, 240, kFourccYuy2, 16);
  ComPtr<IMemInputPin> transport;
  ComPtr<IMemAllocator> allocator;
  auto* grabber = new SampleGrabberFilter(&streams.context, false);
  ASSERT_EQ(S_OK, grabber->VideoPin()->QueryInterface(IID_IMemInputPin, transport.ReceiveVoid()));
  ASSERT_EQ(S_OK, transport->GetAllocator(allocator.Receive()));
  ALLOCATOR_PROPERTIES properties = {};
  EXPECT_EQ(S_OK, transport->GetAllocatorRequirements(&properties));
  EXPECT_EQ(std::vector<long>({1, 0, 4, 0}),  // unconnected: no picture size yet
            std::vector<long>({properties.cBuffers, properties.cbBuffer, properties.cbAlign, properties.cbPrefix}));
  EXPECT_EQ(3u, RefCount(allocator.Get()));  // the grabber's, the transport's and ours
  for (ALLOCATOR_PROPERTIES request : {ALLOCATOR_PROPERTIES{2, 5000, 1, 0}, {1, 5000, 8, 0}, {1, 5000, 4, 16}}) {
    ALLOCATOR_PROPERTIES actual = {};
    EXPECT_EQ(VFW_E_BADALIGN, allocator->SetProperties(&request, &actual)) << request.cBuffers;
    EXPECT_EQ(1, actual.cBuffers);
  }
  ALLOCATOR_PROPERTIES request = {1, 5000, 2, 0}, actual = {};
  EXPECT_TRUE(allocator->SetProperties(&request, &actual) == S_OK && actual.cbBuffer == 5000);

  {
    ComPtr<IUnknown> pinIdentity, transportIdentity;
    ComPtr<IPin> backToPin;
    grabber->VideoPin()->QueryInterface(IID_IUnknown, pinIdentity.ReceiveVoid());
    transport->QueryInterface(IID_IUnknown, transportIdentity.ReceiveVoid());
    EXPECT_TRUE(pinIdentity && pinIdentity.Get() == transportIdentity.Get());
    EXPECT_EQ(S_OK, transport->QueryInterface(IID_IPin, backToPin.ReceiveVoid()));
  }
  // A second GetBuffer never waits: the same sample, over the frame of the
  // moment, without a copy.
  std::vector<uint8_t> frame(5000);
  streams.context.destinationFrame = frame.data();
  IMediaSample *sample = nullptr, *again = nullptr;
  BYTE* pointer = nullptr;
  ASSERT_EQ(S_OK, allocator->GetBuffer(&sample, nullptr, nullptr, 0));
  ASSERT_EQ(S_OK, allocator->GetBuffer(&again, nullptr, nullptr, 0));
  EXPECT_TRUE(sample == again && SUCCEEDED(again->GetPointer(&pointer)) && pointer == frame.data());
  again->Release();
  allocator.Reset();
  transport.Reset();
  EXPECT_EQ(0u, grabber->Release());
  EXPECT_EQ(1, DestVideoPin::Live());  // only the sample holds the pin now, and it still works
  EXPECT_EQ(S_OK, sample->SetActualDataLength(0));
  sample->Release();
  EXPECT_EQ(0, DestVideoPin::Live());
}

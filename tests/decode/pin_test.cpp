// The two filters and their pins: deep copies of media types and the two
// enumerators, the clock's reference, the pins' media types, what they
// accept, what a decompressor may ask of the grabber's allocators, and the
// references it keeps. (The references between graph, filters and pins are
// counted by the lifecycle test on a real graph; connections through a
// decompressor and its allocator, and raw video straight into the grabber's
// frame, are made by every decoding test.)
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

// CopyMediaType gives the copy its own block and a reference to pUnk;
// FreeMediaType undoes both. The graph's clock is held while set, and
// released with the filter.
TEST_F(PinTest, CopiedTypesAndTheClockAreReferenced) {
  TestStreams streams(320, 240, kFourccYuy2, 16);
  auto* grabber = new SampleGrabberFilter(&streams.context, false);
  TestVideoType source(MEDIASUBTYPE_YUY2, 320, 240, 16, kFourccYuy2);
  for (ULONG i = 0; i < source.type.cbFormat; ++i) source.type.pbFormat[i] = static_cast<BYTE>(i * 3);
  source.type.pUnk = grabber;
  AM_MEDIA_TYPE copy = {};
  ASSERT_EQ(S_OK, CopyMediaType(&copy, &source.type));
  ASSERT_EQ(88u, copy.cbFormat);
  EXPECT_TRUE(source.type.pbFormat != copy.pbFormat && std::memcmp(source.type.pbFormat, copy.pbFormat, 88) == 0);
  EXPECT_EQ(2u, RefCount(grabber));
  FreeMediaType(&copy);
  EXPECT_TRUE(copy.pbFormat == nullptr && copy.pUnk == nullptr && RefCount(grabber) == 1);
  EXPECT_EQ(E_POINTER, CopyMediaType(&copy, &copy));  // a self-copy would free its own block
  source.type.cbFormat = 0;  // an empty format is not shared
  ASSERT_EQ(S_OK, CopyMediaType(&copy, &source.type));
  EXPECT_EQ(nullptr, copy.pbFormat);
  FreeMediaType(&copy);

  ComPtr<IReferenceClock> clock;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                                   clock.ReceiveVoid()));
  for (IReferenceClock* set : {clock.Get(), static_cast<IReferenceClock*>(nullptr), clock.Get()}) {
    EXPECT_EQ(S_OK, grabber->SetSyncSource(set));
    EXPECT_EQ(set ? 2u : 1u, RefCount(clock.Get()));
  }
  EXPECT_EQ(0u, grabber->Release());  // the filter's end releases the clock
  EXPECT_EQ(1u, RefCount(clock.Get()));
}

// Media types: Next past the end hands out what is there and stays at the
// end; a clone keeps the cursor and, like the original, its own deep copies.
// Pins: Next past the end returns to the start, and the enumerator holds no
// references of its own.
TEST_F(PinTest, Enumerators) {
  TestVideoType yuy2(MEDIASUBTYPE_YUY2, 320, -240, 16, kFourccYuy2), rgb(MEDIASUBTYPE_RGB24, 320, 240, 24);
  const AM_MEDIA_TYPE types[2] = {yuy2.type, rgb.type};
  ComPtr<IEnumMediaTypes> typeEnumerator(new MediaTypeEnumerator(types, 2)), typeClone;
  rgb.format = {};  // the source may go
  AM_MEDIA_TYPE* out[3] = {};
  ULONG fetched = 99;
  EXPECT_EQ(S_FALSE, typeEnumerator->Next(3, out, &fetched));
  ASSERT_EQ(2u, fetched);
  EXPECT_TRUE(IsEqualGUID(out[0]->subtype, MEDIASUBTYPE_YUY2) && HeaderOf(*out[1]).biBitCount == 24 && !out[2]);
  for (int i : {0, 1}) FreeHandedOut(out[i]);
  EXPECT_TRUE(typeEnumerator->Next(1, out, &fetched) == S_FALSE && fetched == 0);
  EXPECT_TRUE(typeEnumerator->Reset() == S_OK && typeEnumerator->Skip(1) == S_OK);
  ASSERT_EQ(S_OK, typeEnumerator->Clone(typeClone.Receive()));
  typeEnumerator.Reset();
  EXPECT_EQ(S_OK, typeClone->Next(1, out, nullptr));
  EXPECT_TRUE(IsEqualGUID(out[0]->subtype, MEDIASUBTYPE_RGB24) && HeaderOf(*out[0]).biBitCount == 24);
  FreeHandedOut(out[0]);
  EXPECT_EQ(S_FALSE, typeClone->Skip(5));

  TestStreams streams(320, 240, kFourccYuy2, 16, WaveFormatBytes(WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16));
  ComPtr<SampleGrabberFilter> grabber(new SampleGrabberFilter(&streams.context, true));
  IPin* const pins[2] = {grabber->VideoPin(), grabber->AudioPin()};
  ComPtr<IEnumPins> pinEnumerator(new PinEnumerator(pins, 2)), pinClone;
  EXPECT_EQ(1u, RefCount(pins[0]));
  IPin* pinsOut[3] = {};
  EXPECT_EQ(S_FALSE, pinEnumerator->Next(3, pinsOut, &fetched));
  EXPECT_TRUE(fetched == 2 && pinsOut[1] == pins[1] && RefCount(pins[0]) == 2);
  EXPECT_EQ(S_OK, pinEnumerator->Next(1, &pinsOut[2], &fetched));  // back at the start
  EXPECT_TRUE(pinsOut[2] == pins[0] && RefCount(pins[0]) == 3);
  for (IPin* pin : pinsOut) pin->Release();
  ASSERT_EQ(S_OK, pinEnumerator->Clone(pinClone.Receive()));
  EXPECT_TRUE(pinClone->Next(1, pinsOut, nullptr) == S_OK && pinsOut[0] == pins[1]);
  pinsOut[0]->Release();
  EXPECT_EQ(S_FALSE, pinClone->Skip(2));
}

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
      {"RGB24 bottom-up", {MEDIASUBTYPE_RGB24, 320, 240, 24}, true}, {"RGB32", {MEDIASUBTYPE_RGB32, 320, 240, 32}, false},
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

// The grabber's sound pin: its type at the output's rate, what it compares
// of the types offered, and the buffers it asks of a decompressor's allocator.
TEST_F(PinTest, GrabberAudioComparesOnlyWhatShapesTheSamplesAndRaisesSmallBuffers) {
  TestStreams streams(320, 240, kFourccCvid, 24, WaveFormatBytes(0x55, 2, 44100, 44100, 1, 0));
  streams.context.audioOutput = AudioOutputFormat{1, 1, 3528, 1764, 22050, 7056};
  ComPtr<SampleGrabberFilter> grabber(new SampleGrabberFilter(&streams.context, true));
  DestAudioPin* pin = grabber->AudioInput();
  const AM_MEDIA_TYPE& preferred = pin->PreferredType();
  const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(preferred.pbFormat);
  // The output's rate, not the file's; a buffer of one second.
  EXPECT_TRUE(wave->nSamplesPerSec == 22050 && pin->BufferSize() == 88200) << pin->BufferSize();

  // What it compares: the rate, the sample size, the channels, the block
  // alignment and the subtype; not the tag, the byte rate or the extra size.
  struct Case { const char* what; void (*change)(WAVEFORMATEX*, GUID*); HRESULT accepted; };
  const Case cases[] = {
      {"tag, byte rate, extra size",
       [](WAVEFORMATEX* f, GUID*) { f->wFormatTag = 0xFFFE, f->nAvgBytesPerSec = 1, f->cbSize = 22; }, S_OK},
      {"rate", [](WAVEFORMATEX* f, GUID*) { f->nSamplesPerSec = 44100; }, S_FALSE},
      {"bits", [](WAVEFORMATEX* f, GUID*) { f->wBitsPerSample = 8; }, S_FALSE},
      {"channels", [](WAVEFORMATEX* f, GUID*) { f->nChannels = 1; }, S_FALSE},
      {"block alignment", [](WAVEFORMATEX* f, GUID*) { f->nBlockAlign = 2; }, S_FALSE},
      {"IEEE float", [](WAVEFORMATEX*, GUID* subtype) { *subtype = FourccSubtype(3); }, S_FALSE}};
  for (const Case& c : cases) {
    AM_MEDIA_TYPE offered = preferred;
    WAVEFORMATEX format = *wave;
    offered.pbFormat = reinterpret_cast<BYTE*>(&format);
    c.change(&format, &offered.subtype);
    EXPECT_EQ(c.accepted, pin->QueryAccept(&offered)) << c.what;
  }

  // The MP3 decoder asks for 8-byte buffers; the pin raises them to its one
  // second of output sound. A buffer that is large enough stays as it is.
  ComPtr<IMemInputPin> transport;
  ASSERT_EQ(S_OK, pin->QueryInterface(IID_IMemInputPin, transport.ReceiveVoid()));
  ComPtr<IMemAllocator> memory;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                   memory.ReceiveVoid()));
  struct Request { ALLOCATOR_PROPERTIES request; BOOL readOnly; long buffers, bytes; };
  for (Request c : {Request{{2, 8, 1, 0}, FALSE, 2, 88200}, Request{{1, 200000, 1, 0}, TRUE, 1, 200000}}) {
    ALLOCATOR_PROPERTIES actual = {};
    ASSERT_EQ(S_OK, memory->SetProperties(&c.request, &actual));
    EXPECT_EQ(S_OK, transport->NotifyAllocator(memory.Get(), c.readOnly));
    EXPECT_EQ(S_OK, memory->GetProperties(&actual));
    EXPECT_EQ(std::vector<long>({c.buffers, c.bytes}), std::vector<long>({actual.cBuffers, actual.cbBuffer}));
  }
}

// The source's types carry the whole stream format to the decompressor.
// (Each connection checks the pin's own type; nobody proposes another.)
TEST_F(PinTest, SourceTypesCarryTheWholeFormat) {
  const struct { uint32_t compression; uint16_t bits; GUID subtype; } subtypes[] = {
      {0, 24, MEDIASUBTYPE_RGB24}, {0, 16, MEDIASUBTYPE_RGB555}, {0, 8, MEDIASUBTYPE_RGB8},
      {0, 32, MEDIASUBTYPE_RGB32}, {0, 12, GUID_NULL},
      {kFourccXvidLower, 24, FourccSubtype(kFourccXvidUpper)},
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

  // WAVE_FORMAT_EXTENSIBLE: the subtype is the SubFormat.
  std::vector<uint8_t> extra(22, 0);
  const GUID subFormat = FourccSubtype(0x55);
  std::memcpy(extra.data() + 6, &subFormat, sizeof(subFormat));
  struct Case { const char* what; std::vector<uint8_t> wave; GUID subtype; ULONG formatSize; WORD cbSize; } cases[] = {
      // A PCM format longer than 18 bytes is cut to 18 with cbSize 0.
      {"PCM", WaveFormatBytes(WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, std::vector<uint8_t>(22, 7)),
       MEDIASUBTYPE_PCM, 18, 0},
      {"MP3", WaveFormatBytes(0x55, 2, 44100, 44100, 1, 0, std::vector<uint8_t>(12, 9)), FourccSubtype(0x55), 30, 12},
      {"IMA ADPCM", WaveFormatBytes(0x11, 1, 22050, 11025, 512, 4, {0xF9, 0x03}), FourccSubtype(0x11), 20, 2},
      {"EXTENSIBLE", WaveFormatBytes(0xFFFE, 2, 48000, 192000, 4, 16, extra), subFormat, 40, 22},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestStreams streams(320, 240, kFourccCvid, 24, c.wave);
    ComPtr<AviSplitterFilter> sound(new AviSplitterFilter(&streams.context, true));
    const AM_MEDIA_TYPE& audio = sound->AudioOutput()->MediaType();
    ASSERT_TRUE(IsEqualGUID(c.subtype, audio.subtype) && c.formatSize == audio.cbFormat) << audio.cbFormat;
    EXPECT_EQ(c.cbSize, reinterpret_cast<const WAVEFORMATEX*>(audio.pbFormat)->cbSize);
    EXPECT_TRUE(std::memcmp(audio.pbFormat, c.wave.data(), 16) == 0 &&
                std::memcmp(audio.pbFormat + 18, c.wave.data() + 18, c.cbSize) == 0);
  }
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
    ASSERT_EQ(S_OK, grabber->VideoPin()->QueryInterface(IID_IUnknown, pinIdentity.ReceiveVoid()));
    ASSERT_EQ(S_OK, transport->QueryInterface(IID_IUnknown, transportIdentity.ReceiveVoid()));
    EXPECT_EQ(pinIdentity.Get(), transportIdentity.Get());
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

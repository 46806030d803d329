// The decoder's view of a file's stream formats: the BITMAPINFOHEADER and
// WAVEFORMATEX fields and the stream header numbers that size pictures,
// sound blocks and the rings. The input is read as the numbers below, in
// order (missing bytes are 0), and again as a whole picture and sound
// format for the decoder's own conversions. Whatever they claim, a format that passes the
// checks leads to sizes that fit their types and to no overflow in the block
// arithmetic (UndefinedBehaviorSanitizer watches the signed products).
#include "fuzz/fuzz_check.h"
#include "decode/audio_block_math.h"
#include "decode/pcm_conversion.h"
#include "decode/picture_format.h"
#include "decode/stream_format_check.h"
#include "engine/ring_sizing.h"
#include "video/yuy2_frame.h"

namespace {

// The input read as numbers in order (missing bytes are 0).
struct Numbers {
  const uint8_t* data;
  size_t size, used = 0;
  template <typename T>
  T Next() {
    T value{};
    const size_t n = std::min(size - used, sizeof value);
    std::memcpy(&value, data + used, n);
    used += n;
    return value;
  }
};

struct Stream {
  int32_t rate, scale, length, sampleSize;
  uint32_t totalBytes;
};

// A braced list takes its numbers in order.
Stream NextStream(Numbers* in) {
  return {in->Next<int32_t>(), in->Next<int32_t>(), in->Next<int32_t>(), in->Next<int32_t>(), in->Next<uint32_t>()};
}

// The picture sizes of a usable header fit 32 bits, as the frame buffers
// and the output check's guarded probe are sized from them.
uint32_t CheckPicture(int32_t width, int32_t height, uint16_t bitCount) {
  const bool usable = UsableVideoSize(width, height);
  const uint32_t yuy2 = PictureBytes(16, width, height);
  Require(usable == (yuy2 > 0));
  if (!usable) return 0;
  const uint64_t widest = uint64_t{PictureBytes(32, width, height)} + PictureBytes(bitCount, width, height);
  Require(widest < (uint64_t{1} << 32) && yuy2 >= 2 * width * PictureHeight(height));
  return yuy2;
}

// The block arithmetic over a playing session's block numbers.
void CheckSound(const AudioSourceFacts& facts, const Stream& audio, uint8_t flags, uint32_t frameBytes) {
  AudioOutputFormat out;
  if (!ComputeAudioOutputFormat(facts, flags & 1, flags & 2, flags & 4, &out)) return;
  Require(out.samplesPerBlock > 0 && out.samplesPerBlock <= facts.sourceRate);
  const int64_t overflowCapacity = int64_t{out.outputSamplesPerSecond} * BytesPerOutputFrame(out);
  Require(out.outputBytesPerBlock > 0 && overflowCapacity <= 4 * kMaxSampleRate);
  Require(UnitsPerRead(facts, out.samplesPerBlock) >= 1);
  for (const int32_t block : {0, 1, 999, INT32_MAX / out.samplesPerBlock}) {
    const int32_t position =
        AudioStreamPosition(block, out.samplesPerBlock, audio.rate, facts.sourceRate, audio.scale);
    IsDriftCheckBlock(block, facts.sourceRate, out.samplesPerBlock);
    SourceMilliseconds(position, audio.scale, audio.rate);
    DecodedMilliseconds(int64_t{out.outputBytesPerBlock} * 64, BytesPerOutputFrame(out),
                        int64_t{block} * out.outputSamplesPerBlock, out.outputSamplesPerSecond);
  }
  if (frameBytes == 0) return;
  const int32_t frames = FrameRingCapacity(FrameBudget(uint64_t{24} << 30, flags >> 4), frameBytes);
  const int32_t soundBlocks = SoundBufferBlocks(out.outputSamplesPerSecond, out.outputSamplesPerBlock);
  Require(frames >= 5 && soundBlocks >= 2);
  Require(BlockRingCapacity(facts.videoScale, out.outputSamplesPerSecond, frames, facts.videoRate,
                            out.outputSamplesPerBlock, soundBlocks) >= soundBlocks + 5);
}

// The input as a "strf": a picture it describes has a size that fits, and
// small ones convert alike in the plain and the fast forms (whatever masks
// or palette it brings).
void CheckPictureFormat(const uint8_t* data, size_t size) {
  PictureLayout layout;
  uint32_t palette[256];
  if (!DescribePicture(data, static_cast<uint32_t>(size), &layout, palette)) return;
  const uint32_t bytes = PictureLayoutBytes(layout);
  Require(bytes > 0);
  const int64_t height = PictureHeight(layout.biHeight);
  if (bytes > (1u << 16) || Yuy2RowStride(layout.width) * height > (1 << 18)) return;
  std::vector<uint8_t> source(data, data + std::min<size_t>(size, bytes));
  source.resize(bytes, 0x5A);
  std::vector<uint8_t> plain(static_cast<size_t>(Yuy2RowStride(layout.width) * height)), fast(plain.size());
  for (const bool high : {true, false}) {
    Rgb555ToYuy2Table table;
    reference::ConvertPictureToYuy2(layout, source.data(), palette, plain.data(), high, &table);
    ConvertPictureToYuy2(layout, source.data(), palette, fast.data(), high, &table);
    Require(plain == fast);
  }
}

// The input as a WAVEFORMATEX: a PCM shape it describes converts the input's
// own bytes within the room MaxOutputBytes gives.
void CheckSoundFormat(const uint8_t* data, size_t size) {
  PcmShape from;
  if (!DescribePcm(data, static_cast<uint32_t>(size), &from)) return;
  Require(from.channels >= 1 && from.channels <= kMostPcmChannels);
  for (const int32_t channels : {1, 2}) {
    const PcmShape to{channels, channels == 1 ? SampleType::kUnsigned8 : SampleType::kSigned16, 0};
    if (!PcmConverter::CanConvert(from, to)) continue;
    PcmConverter converter(from, to, channels == 1);
    std::vector<uint8_t> out(static_cast<size_t>(converter.MaxOutputBytes(static_cast<int32_t>(size))));
    Require(converter.Convert(data, static_cast<int32_t>(size), out.data()) <= static_cast<int32_t>(out.size()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Numbers in{data, size};
  const Stream video = NextStream(&in);
  const Stream audio = NextStream(&in);
  const uint8_t flags = in.Next<uint8_t>();
  const int32_t width = in.Next<int32_t>();
  const int32_t height = in.Next<int32_t>();
  const uint16_t bitCount = in.Next<uint16_t>();
  const uint32_t sourceRate = in.Next<uint32_t>();  // nSamplesPerSec
  const uint16_t channels = in.Next<uint16_t>();
  const uint32_t formatSize = in.Next<uint32_t>();
  const uint16_t cbSize = in.Next<uint16_t>();

  const uint32_t frameBytes = CheckPicture(width, height, bitCount);
  Require(formatSize < kWaveFormatSize || FittedCbSize(formatSize, cbSize) <= formatSize - kWaveFormatSize);

  const AudioSourceFacts facts = {static_cast<int32_t>(sourceRate), channels,         video.rate,      video.scale,
                                  video.length,                     audio.sampleSize, audio.totalBytes};
  CheckSound(facts, audio, flags, frameBytes);
  CheckPictureFormat(data, size);
  CheckSoundFormat(data, size);
  return 0;
}

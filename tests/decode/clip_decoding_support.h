// Opening the ffmpeg-made clips with the DirectShow decoder and comparing
// what it decodes with ffmpeg's own decode of the same clip (made by
// make_decode_references.sh), with marks for what Wine does differently.
#pragma once

#include "decode/direct_show_decoder.h"
#include "tests/decode/com_test_support.h"
#include "tests/media/media_test_support.h"
#include "tools/avi_writer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Writes a 16 x 16 clip of `frames` frames at 10 per second, each a chunk of
// the given video code (0: raw pictures; coded chunks are not real pictures),
// with one equal share of `sound` per frame in the given sound stream (none
// when null); returns the path of the scratch file `name`.
std::string WriteTinyClip(const std::string& name, uint32_t compression, int frames,
                          const AviWriterStream* soundStream, const std::vector<uint8_t>& sound = {});

// Peak signal-to-noise ratio of two byte runs of equal length, in dB
// (99 when they are equal).
double Psnr(const uint8_t* a, const uint8_t* b, size_t count);

// Marks for what Wine does not do as Windows does, the way Wine's own tests
// mark their known failures: under Wine the check is expected to fail (and a
// pass is reported, so that the mark gets removed); elsewhere it must hold.
bool RunningUnderWine();
void ExpectTodoWine(bool holds, const std::string& what);
// Under Wine with its GStreamer-based filters switched off for the run
// (VELMORA_WINE_GSTREAMER=off): the graph then chooses among Wine's own
// filters, whatever the host has installed, so their names are known.
bool WineFilterSetFixed();

class ClipTest : public ComTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the clip (failing the test when it was not made); messages are kept.
  bool OpenClip(const std::string& name, const DecoderOpenSettings& settings = {});
  // Opens a file with the fixture's conversion and synchronisation options.
  bool OpenPath(const std::string& path, const DecoderOpenSettings& settings = {});
  // The reference file beside a clip, e.g. "cinepak_pcm16.yuyv".
  std::vector<uint8_t> Reference(const std::string& fileName);

  // The decoder's sound output format.
  struct AudioFormat {
    uint8_t stereo = 0;
    uint8_t sixteenBit = 0;
    int32_t rate = 0;
    int32_t samplesPerBlock = 0;
    int32_t BlockBytes() const { return samplesPerBlock * (stereo ? 2 : 1) * (sixteenBit ? 2 : 1); }
  };
  AudioFormat OutputFormat();
  // Sound blocks 0, 1, 2, ... until one fails (at most maxBlocks), joined.
  std::vector<uint8_t> ReadBlocks(int32_t maxBlocks, int32_t* count);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t FrameCount() const { return frameCount_; }
  size_t FrameSize() const { return static_cast<size_t>((width_ * 2 + 3) / 4 * 4) * height_; }

  std::unique_ptr<DirectShowDecoder> decoder_;
  std::string messages_;
  uint8_t highQuality_ = 1;
  uint8_t autoSync_ = 0;

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t frameCount_ = 0;
};

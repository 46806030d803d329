// Every chunk our parser reads from the ffmpeg-made clips, with the index and
// again by walking "movi" without it, against the packets that ffmpeg's own
// AVI demuxer reports for the same file (tools/make_clips.sh writes them
// beside each clip): file positions, sizes, MD5s and keyframe flags. One clip
// is an OpenDML file of two RIFF parts, just over 1 GiB.
#include <gtest/gtest.h>

#include "media/avi_file.h"
#include "media/stream_info.h"
#include "tests/common/test_paths.h"
#include "tests/media/md5.h"
#include "tests/media/media_test_support.h"

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Packet {
  int stream = -1;
  int64_t dts = -1;
  int64_t pos = -1;  // the file position of the packet's first byte
  uint32_t size = 0;
  bool keyframe = false;
  std::string md5;
};

// Lines like "codec_type=video|stream_index=0|dts=0|size=9853|flags=K_|data_hash=MD5:5fa0...".
std::vector<Packet> LoadPackets(const std::string& path) {
  std::vector<Packet> packets;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    Packet packet;
    std::stringstream fields(line);
    std::string field;
    while (std::getline(fields, field, '|')) {
      const size_t equals = field.find('=');
      if (equals == std::string::npos) continue;
      const std::string key = field.substr(0, equals);
      const std::string value = field.substr(equals + 1);
      if (key == "stream_index") packet.stream = std::stoi(value);
      if (key == "dts" && value != "N/A") packet.dts = std::stoll(value);
      if (key == "size") packet.size = static_cast<uint32_t>(std::stoul(value));
      if (key == "pos" && value != "N/A") packet.pos = std::stoll(value);
      if (key == "flags") packet.keyframe = value.find('K') != std::string::npos;
      if (key == "data_hash") packet.md5 = value.substr(value.find(':') + 1);
    }
    packets.push_back(packet);
  }
  return packets;
}

int StreamNumber(uint32_t streamKey) { return static_cast<int>((streamKey >> 8) & 0xFF) - '0'; }

std::vector<Packet> PacketsOf(const std::vector<Packet>& packets, int stream) {
  std::vector<Packet> selected;
  for (const Packet& packet : packets) {
    if (packet.stream == stream) selected.push_back(packet);
  }
  return selected;
}

// Chunks by their number in the stream; ffmpeg leaves out empty ones.
std::map<int64_t, Packet> ByNumber(const std::vector<Packet>& packets) {
  std::map<int64_t, Packet> numbered;
  for (const Packet& packet : packets) numbered[packet.dts] = packet;
  return numbered;
}

class DemuxerCrossCheck : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!ClipExists(GetParam())) {
      GTEST_SKIP() << "clip " << GetParam() << " is missing: tools/make_clips.sh makes it";
    }
    packets_ = LoadPackets(ClipPath(GetParam()) + ".packets");
    ASSERT_FALSE(packets_.empty()) << "no packet list beside " << GetParam();
  }

  bool Open(AviFile* file, bool allowIndex, bool secondaryAudio = false) {
    std::string messages;
    const bool opened =
        file->Open(ClipPath(GetParam()).c_str(), &messages, secondaryAudio, 4, allowIndex);
    EXPECT_EQ(messages, "");
    EXPECT_EQ(file->HasIndex(), allowIndex) << "every clip has an idx1";
    return opened;
  }

  // Each chunk of a stream of variable-size samples (video, MP3), read one by one.
  void ExpectChunksEqualPackets(AviFile* file, bool video, const std::string& what) {
    const StreamInfo& stream = video ? file->VideoStream() : file->AudioStream();
    const std::map<int64_t, Packet> expected =
        ByNumber(PacketsOf(packets_, StreamNumber(stream.streamKey)));
    const int32_t length = static_cast<int32_t>(stream.header.dwLength);
    ASSERT_FALSE(expected.empty());
    EXPECT_LT(expected.rbegin()->first, length) << what;
    std::vector<uint8_t> buffer(4 << 20);  // a 1280x720 RGB frame takes 2.6 MiB
    for (int32_t n = 0; n <= length; ++n) {
      uint32_t bytes = static_cast<uint32_t>(buffer.size());
      int32_t count = 1;
      const bool ok = video ? file->ReadVideoFrame(buffer.data(), n, &bytes)
                            : file->ReadAudio(buffer.data(), n, &count, &bytes);
      if (n == length) {
        EXPECT_FALSE(ok) << what << ": past the end";
        break;
      }
      ASSERT_TRUE(ok) << what << ": chunk " << n;
      const auto packet = expected.find(n);
      if (packet == expected.end()) {
        EXPECT_EQ(bytes, 0u) << what << ": chunk " << n << " is not among ffmpeg's packets";
        continue;
      }
      EXPECT_EQ(bytes, packet->second.size) << what << ": chunk " << n;
      EXPECT_EQ(Md5Of(buffer.data(), bytes), packet->second.md5) << what << ": chunk " << n;
      const ChunkRef chunk = video ? file->VideoChunk(n) : file->AudioChunk(n);
      EXPECT_EQ(static_cast<int64_t>(chunk.dataPosition), packet->second.pos)
          << what << ": chunk " << n;
    }
  }

  // A fixed-size stream read packet by packet at each packet's time stamp
  // (counted in samples): the bytes, and where the read found its first one.
  void ExpectPacketReadsEqualPackets(AviFile* file, const std::string& what) {
    const StreamInfo& stream = file->AudioStream();
    const int32_t sampleSize = stream.sampleSize;
    std::vector<uint8_t> buffer;
    for (const Packet& packet : PacketsOf(packets_, StreamNumber(stream.streamKey))) {
      buffer.resize(packet.size);
      int32_t count = static_cast<int32_t>(packet.size) / sampleSize;
      uint32_t bytes = packet.size;
      ASSERT_TRUE(file->ReadAudio(buffer.data(), static_cast<int32_t>(packet.dts), &count, &bytes))
          << what << ": packet at " << packet.dts;
      EXPECT_EQ(bytes, packet.size) << what << ": packet at " << packet.dts;
      EXPECT_EQ(Md5Of(buffer.data(), bytes), packet.md5) << what << ": packet at " << packet.dts;
      EXPECT_EQ(static_cast<int64_t>(stream.cursorChunk.dataPosition + stream.cursorOffset),
                packet.pos)
          << what << ": packet at " << packet.dts;
    }
  }

  // A fixed-size stream read through in runs of samples; ffmpeg cuts it into
  // packets of its own, so the joined bytes are cut at the packets' sizes.
  void ExpectSamplesEqualPackets(AviFile* file, int32_t run, const std::string& what) {
    const StreamInfo& stream = file->AudioStream();
    const std::vector<Packet> expected = PacketsOf(packets_, StreamNumber(stream.streamKey));
    const int32_t sampleSize = stream.sampleSize;
    std::vector<uint8_t> joined;
    std::vector<uint8_t> buffer(static_cast<size_t>(run) * sampleSize);
    for (int32_t position = 0;; position += run) {
      int32_t count = run;
      uint32_t bytes = static_cast<uint32_t>(buffer.size());
      if (!file->ReadAudio(buffer.data(), position, &count, &bytes)) break;
      ASSERT_EQ(bytes, static_cast<uint32_t>(count) * sampleSize);
      joined.insert(joined.end(), buffer.begin(), buffer.begin() + bytes);
    }
    EXPECT_EQ(joined.size(), static_cast<size_t>(stream.header.dwLength) * sampleSize) << what;
    size_t offset = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
      ASSERT_LE(offset + expected[i].size, joined.size()) << what << ": packet " << i;
      EXPECT_EQ(Md5Of(joined.data() + offset, expected[i].size), expected[i].md5)
          << what << ": packet " << i << " at byte " << offset;
      offset += expected[i].size;
    }
    EXPECT_EQ(offset, joined.size()) << what;
  }

  void ExpectAudioEqualsPackets(bool secondaryAudio) {
    for (const bool index : {true, false}) {
      AviFile file;
      ASSERT_TRUE(Open(&file, index, secondaryAudio));
      ASSERT_TRUE(file.GetAudioStreamInfo(nullptr));
      const std::string what = std::string(GetParam()) + (index ? " indexed" : " walked") +
                               (secondaryAudio ? ", second sound" : "");
      if (file.AudioStream().sampleSize == 0) {
        ExpectChunksEqualPackets(&file, false, what);
      } else {
        ExpectSamplesEqualPackets(&file, 1000, what);
        ExpectSamplesEqualPackets(&file, 333, what + " in runs of 333");
        ExpectPacketReadsEqualPackets(&file, what + " packet by packet");
      }
    }
  }

  std::vector<Packet> packets_;
};

TEST_P(DemuxerCrossCheck, VideoChunksEqualTheDemuxersPackets) {
  for (const bool index : {true, false}) {
    AviFile file;
    ASSERT_TRUE(Open(&file, index));
    ExpectChunksEqualPackets(&file, true, std::string(GetParam()) + (index ? " indexed" : " walked"));
  }
}

TEST_P(DemuxerCrossCheck, AudioEqualsTheDemuxersPackets) {
  AviFile file;
  ASSERT_TRUE(Open(&file, true));
  if (!file.GetAudioStreamInfo(nullptr)) {
    for (const Packet& packet : packets_) {
      EXPECT_EQ(packet.stream, StreamNumber(file.VideoStream().streamKey)) << "sound was not found";
    }
    return;
  }
  ExpectAudioEqualsPackets(false);
  int streams = 0;
  for (const Packet& packet : packets_) streams = std::max(streams, packet.stream + 1);
  if (streams > 2) ExpectAudioEqualsPackets(true);
}

// A keyframe finds itself and a frame that is none does not; the search
// never looks at the table's first and last entries, so frame 0 and the
// last frame are left out.
TEST_P(DemuxerCrossCheck, KeyframeFlagsAgree) {
  AviFile file;
  ASSERT_TRUE(Open(&file, true));
  const std::map<int64_t, Packet> frames =
      ByNumber(PacketsOf(packets_, StreamNumber(file.VideoStream().streamKey)));
  const int32_t length = static_cast<int32_t>(file.VideoStream().header.dwLength);
  int32_t previous = 0;
  int keyframes = 0;
  for (int32_t f = 1; f < length - 1; ++f) {
    const auto packet = frames.find(f);
    const bool keyframe = packet != frames.end() && packet->second.keyframe;
    if (keyframe) {
      previous = f;
      ++keyframes;
    }
    EXPECT_EQ(file.NextKeyframe(f) == f, keyframe) << "frame " << f;
    EXPECT_EQ(file.PreviousKeyframe(f), previous) << "frame " << f;
  }
  EXPECT_GT(keyframes, 0) << "no keyframe after frame 0 to check";
}

INSTANTIATE_TEST_SUITE_P(Clips, DemuxerCrossCheck,
                         ::testing::Values("cinepak_pcm16.avi", "cinepak_mp3.avi",
                                           "cinepak_msadpcm.avi", "msvc_pcm8.avi", "msvc_ima.avi",
                                           "msvc_silent.avi", "msvc_two_audio.avi",
                                           "raw_pcm16.avi", "raw_mp3.avi", "msvc_ima_long.avi",
                                           "raw_pcm16_odml.avi"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

// ffmpeg's OpenDML clip: both parts are found, each stream is read through
// its OpenDML index, and the length is the whole file's, not the first
// part's (the idx1 and avih count 388 of its 400 frames).
TEST(DemuxerCrossCheckOpenDml, IndexesCoverBothPartsAndTheWholeLength) {
  const char* name = "raw_pcm16_odml.avi";
  if (!ClipExists(name)) GTEST_SKIP() << "clip " << name << " is missing";
  const std::vector<Packet> packets = LoadPackets(ClipPath(name) + ".packets");
  for (const bool index : {true, false}) {
    AviFile file;
    std::string messages;
    ASSERT_TRUE(file.Open(ClipPath(name).c_str(), &messages, false, 4, index));
    EXPECT_TRUE(file.IsOpenDml());
    EXPECT_EQ(file.PartCount(), 2);
    EXPECT_EQ(file.HasOpenDmlIndex(true), index);
    EXPECT_EQ(file.HasOpenDmlIndex(false), index);
    const std::vector<Packet> video = PacketsOf(packets, 0);
    EXPECT_EQ(file.VideoStream().header.dwLength, video.size());
    EXPECT_EQ(file.MainHeader().dwTotalFrames, video.size()) << "the dmlh count";
    EXPECT_GT(video.back().pos, 1ll << 30) << "the last frame stands in the second part";
    if (!index) continue;
    // Seeks back and forth across the parts' border (frame 388 opens the second).
    std::vector<uint8_t> buffer(4 << 20);
    for (const int32_t f : {399, 0, 388, 387, 389, 200, 398}) {
      uint32_t bytes = static_cast<uint32_t>(buffer.size());
      ASSERT_TRUE(file.ReadVideoFrame(buffer.data(), f, &bytes)) << "frame " << f;
      EXPECT_EQ(Md5Of(buffer.data(), bytes), video[f].md5) << "frame " << f;
      EXPECT_EQ(file.PreviousKeyframe(f), f) << "every raw frame is a keyframe";
    }
  }
}

}  // namespace

// Every chunk our parser reads from the ffmpeg-made clips, with the index and
// again by walking "movi" without it, against the packets that ffmpeg's own
// AVI demuxer reports for the same file (tools/make_clips.sh writes them
// beside each clip): file positions, sizes, the bytes ffmpeg's packet covers
// in the file, and keyframe flags. One clip is an OpenDML file of two RIFF
// parts, just over 1 GiB.
#include "tests/common/clip_packets.h"
#include "tests/media/media_test_support.h"

#include <map>

namespace {

int StreamNumber(uint32_t streamKey) { return static_cast<int>((streamKey >> 8) & 0xFF) - '0'; }

// The packets of one stream by their number in it (ffmpeg leaves out empty chunks).
std::map<long long, Packet> PacketsOf(const std::vector<Packet>& packets, int stream) {
  std::map<long long, Packet> selected;
  for (const Packet& packet : packets)
    if (packet.stream == stream) selected[packet.dts] = packet;
  return selected;
}

class DemuxerCrossCheck : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ClipExists(GetParam())) << "clip " << GetParam() << " is missing: tools/make_clips.sh makes it";
    packets_ = LoadPackets(ClipPath(GetParam()) + ".packets");
    ASSERT_FALSE(packets_.empty()) << "no packet list beside " << GetParam();
    clip_.open(ClipPath(GetParam()), std::ios::binary);
  }

  bool Open(AviFile* file, bool allowIndex, bool secondaryAudio = false) {
    std::string messages;
    const bool opened =
        file->Open(ClipPath(GetParam()).c_str(), &messages, secondaryAudio, 4, allowIndex);
    EXPECT_EQ(messages, "");
    EXPECT_EQ(file->HasIndex(), allowIndex) << "every clip has an idx1";
    return opened;
  }

  // Whether bytes equal the clip's bytes where ffmpeg found the packet.
  bool SameAsPacket(const uint8_t* bytes, const Packet& packet) {
    std::vector<char> inFile(packet.size);
    clip_.seekg(packet.pos);
    clip_.read(inFile.data(), packet.size);
    return clip_ && std::equal(inFile.begin(), inFile.end(), reinterpret_cast<const char*>(bytes));
  }

  // Each chunk of a stream of variable-size samples (video, MP3), read one by
  // one (from the last to the first when backwards): its size, bytes and
  // position are the packet's.
  void ExpectChunksEqualPackets(AviFile* file, bool video, bool backwards, const std::string& what) {
    const StreamInfo& stream = video ? file->VideoStream() : file->AudioStream();
    const std::map<long long, Packet> expected = PacketsOf(packets_, StreamNumber(stream.streamKey));
    const int32_t length = static_cast<int32_t>(stream.header.dwLength);
    ASSERT_FALSE(expected.empty());
    EXPECT_LT(expected.rbegin()->first, length) << what;
    std::vector<uint8_t> buffer(4 << 20);  // a 1280x720 RGB frame takes 2.6 MiB
    for (int32_t k = 0; k <= length; ++k) {
      const int32_t n = backwards && k < length ? length - 1 - k : k;
      uint32_t bytes = static_cast<uint32_t>(buffer.size());
      int32_t count = 1;
      const bool ok = video ? file->ReadVideoFrame(buffer.data(), n, &bytes)
                            : file->ReadAudio(buffer.data(), n, &count, &bytes);
      if (k == length) {
        EXPECT_FALSE(ok) << what << ": past the end";
        break;
      }
      ASSERT_TRUE(ok) << what << ": chunk " << n;
      const auto packet = expected.find(n);
      if (packet == expected.end()) {
        EXPECT_EQ(bytes, 0u) << what << ": chunk " << n << " is not among ffmpeg's packets";
        continue;
      }
      ASSERT_EQ(bytes, packet->second.size) << what << ": chunk " << n;
      EXPECT_TRUE(SameAsPacket(buffer.data(), packet->second)) << what << ": chunk " << n;
      const ChunkRef chunk = video ? file->VideoChunk(n) : file->AudioChunk(n);
      EXPECT_EQ(static_cast<long long>(chunk.dataPosition), packet->second.pos) << what << ": chunk " << n;
    }
  }

  // A fixed-size stream read through in runs of samples that cross chunks,
  // from the last run to the first when backwards; the joined bytes are cut
  // at the packets' sizes.
  void ExpectSamplesEqualPackets(AviFile* file, int32_t run, bool backwards, const std::string& what) {
    const StreamInfo& stream = file->AudioStream();
    const int32_t length = static_cast<int32_t>(stream.header.dwLength);
    std::vector<uint8_t> joined(static_cast<size_t>(length) * stream.sampleSize);
    std::vector<int32_t> positions = Range(0, length, run);
    if (backwards) std::reverse(positions.begin(), positions.end());
    positions.push_back(length);  // past the end: fails
    for (const int32_t position : positions) {
      int32_t count = std::min(run, length - position);
      const int32_t wanted = count;
      uint32_t bytes = static_cast<uint32_t>(count) * stream.sampleSize;
      uint8_t* into = joined.data() + static_cast<size_t>(position) * stream.sampleSize;
      ASSERT_EQ(file->ReadAudio(into, position, &count, &bytes), position < length) << what << " at " << position;
      if (position == length) continue;
      ASSERT_EQ(count, wanted) << what << " at " << position;
      ASSERT_EQ(bytes, static_cast<uint32_t>(count) * stream.sampleSize) << what << " at " << position;
    }
    size_t offset = 0;
    for (const auto& [dts, packet] : PacketsOf(packets_, StreamNumber(stream.streamKey))) {
      ASSERT_LE(offset + packet.size, joined.size()) << what << ": packet at " << dts;
      EXPECT_TRUE(SameAsPacket(joined.data() + offset, packet)) << what << ": packet at " << dts;
      offset += packet.size;
    }
    EXPECT_EQ(offset, joined.size()) << what;
  }

  std::vector<Packet> packets_;
  std::ifstream clip_;
};

// ffmpeg's OpenDML clip: both parts and their indexes are found, and the frame
// count is dmlh's (the idx1 and avih count 388 of its 400 frames). With the
// index also backwards, and the keyframes.
TEST_P(DemuxerCrossCheck, VideoChunksAndKeyframesEqualTheDemuxersPackets) {
  for (const bool index : {true, false}) {
    AviFile file;
    ASSERT_TRUE(Open(&file, index));
    ASSERT_EQ(file.IsOpenDml(), std::string(GetParam()).find("odml") != std::string::npos);
    if (file.IsOpenDml()) {
      EXPECT_EQ(file.PartCount(), 2);
      EXPECT_EQ(file.HasOpenDmlIndex(true) && file.HasOpenDmlIndex(false), index);
      EXPECT_EQ(file.MainHeader().dwTotalFrames, PacketsOf(packets_, 0).size());
    }
    ExpectChunksEqualPackets(&file, true, false, std::string(GetParam()) + (index ? " indexed" : " walked"));
    if (!index) continue;
    ExpectChunksEqualPackets(&file, true, true, std::string(GetParam()) + " indexed, backwards");
    // A keyframe finds itself and a frame that is none does not; the search
    // never looks at the table's first and last entries, so frame 0 and the
    // last frame are left out.
    const std::map<long long, Packet> frames = PacketsOf(packets_, StreamNumber(file.VideoStream().streamKey));
    const int32_t length = static_cast<int32_t>(file.VideoStream().header.dwLength);
    int32_t previous = 0, keyframes = 0;
    for (int32_t f = 1; f < length - 1; ++f) {
      const auto packet = frames.find(f);
      const bool keyframe = packet != frames.end() && packet->second.keyframe;
      previous = keyframe ? f : previous;
      keyframes += keyframe;
      EXPECT_EQ(file.NextKeyframe(f) == f, keyframe) << "frame " << f;
      EXPECT_EQ(file.PreviousKeyframe(f), previous) << "frame " << f;
    }
    EXPECT_GT(keyframes, 0) << "no keyframe after frame 0 to check";
  }
}

// The first sound stream, and the second one where the clip has it.
TEST_P(DemuxerCrossCheck, AudioEqualsTheDemuxersPackets) {
  int streams = 0;
  for (const Packet& packet : packets_) streams = std::max(streams, packet.stream + 1);
  for (const bool secondary : {false, true}) {
    for (const bool index : {true, false}) {
      if (secondary && streams < 3) continue;
      AviFile file;
      ASSERT_TRUE(Open(&file, index, secondary));
      ASSERT_EQ(file.GetAudioStreamInfo(nullptr), streams >= 2) << "a clip without sound has none";
      if (streams < 2) continue;
      EXPECT_EQ(StreamNumber(file.AudioStream().streamKey), secondary ? 2 : 1) << "video is stream 0";
      const std::string what = std::string(GetParam()) + (index ? " indexed" : " walked") +
                               (secondary ? ", second sound" : "");
      // With the index, also backwards; walking goes forwards only.
      if (file.AudioStream().sampleSize == 0) {
        ExpectChunksEqualPackets(&file, false, index, what);
      } else {
        ExpectSamplesEqualPackets(&file, 333, false, what + " in runs of 333");
        ExpectSamplesEqualPackets(&file, 4999, index, what + " in runs of 4999");
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Clips, DemuxerCrossCheck,
                         ::testing::Values("cinepak_pcm16.avi", "cinepak_mp3.avi",
                                           "cinepak_msadpcm.avi", "msvc_pcm8.avi", "msvc_ima.avi",
                                           "msvc_silent.avi", "msvc_two_audio.avi",
                                           "raw_pcm16.avi", "raw_mp3.avi", "msvc_ima_long.avi",
                                           "raw_pcm16_odml.avi",
                                           "pal8_pcm51.avi"),  // palette changes between frames
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace

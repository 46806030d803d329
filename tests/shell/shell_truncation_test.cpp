// Twenty prefixes of three ffmpeg-made clips, spread over their lengths, in
// one play list played by the real shell: each plays to its last readable
// frame and the list moves on at once, or the file is refused with the
// opening messages; nothing hangs or ends the process, and no other message
// shows.
#include <gtest/gtest.h>

#include "app/playback_tally.h"
#include "app/resource.h"
#include "engine/player.h"
#include "media/avi_file.h"
#include "media/stream_info.h"
#include "tests/common/clip_packets.h"
#include "tests/common/test_paths.h"
#include "tests/shell/clip_reference.h"
#include "tests/shell/shell_session.h"

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Cuts {
  const char* clip;
  std::vector<double> shares;  // of the clip's bytes
};

const Cuts kCuts[] = {
    {"cinepak_pcm16.avi", {0.001, 0.05, 0.2, 0.4, 0.6, 0.8, 0.97}},
    {"raw_mp3.avi", {0.01, 0.1, 0.3, 0.5, 0.7, 0.9, 0.999}},
    {"msvc_ima.avi", {0.03, 0.25, 0.45, 0.65, 0.85, 0.995}},
};

// The lines the opening may show, under "Opening troubles".
bool IsOpeningMessage(const ShownMessage& message) {
  static const std::set<std::string> kLines = {
      "Unknown format, Velmora supports AVI (RIFF) formats only", "Can't load indispensable index table",
      "Can't locate video decompressor", "Can't locate audio decompressor"};
  if (message.caption != "Opening troubles") return false;
  std::istringstream lines(message.text);
  for (std::string line; std::getline(lines, line);) {
    if (kLines.count(line) == 0) return false;
  }
  return true;
}

// Writes the prefixes and the list naming them; the frames whose whole
// chunk lies in the prefixes that open, as ffmpeg lists the clips' packets
// (it leaves out empty chunks, which show nothing new either).
std::string WritePrefixes(int32_t* files, int64_t* readableFrames) {
  std::ofstream list(ScratchPath("prefixes.mls"));
  for (const Cuts& cuts : kCuts) {
    const std::vector<uint8_t> bytes = ReadFileBytes(ClipPath(cuts.clip));
    const std::vector<Packet> packets = LoadPackets(ClipPath(cuts.clip) + ".packets");
    EXPECT_FALSE(packets.empty()) << cuts.clip;
    for (const double share : cuts.shares) {
      const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<size_t>(bytes.size() * share));
      const std::string path = ScratchPath(std::to_string(*files) + "-" + cuts.clip);
      list << '"' << WriteWholeFile(path, std::string(prefix.begin(), prefix.end())) << "\"\n";
      ++*files;
      AviFile file;
      VideoStreamInfo video;
      if (!file.Open(prefix.data(), prefix.size(), nullptr, false, 2, true) || !file.GetVideoStreamInfo(&video)) {
        continue;
      }
      for (const Packet& packet : packets) {
        const bool whole = packet.pos + static_cast<long long>(packet.size) <= static_cast<long long>(prefix.size());
        *readableFrames += packet.stream == 0 && whole ? 1 : 0;
      }
    }
  }
  return ScratchPath("prefixes.mls");
}

TEST(ShellTruncation, PrefixesPlayToTheirLastFrameOrAreRefusedAndTheListMovesOn) {
  for (const Cuts& cuts : kCuts) {
    ASSERT_TRUE(ClipExists(cuts.clip)) << cuts.clip << " not made";
  }
  int32_t files = 0;
  int64_t readable = 0;
  const std::string list = WritePrefixes(&files, &readable);
  ShellSession session(list);  // counts from zero
  ASSERT_TRUE(session.Started());
  // Each entry gets one Play/Pause and ends in one Next File: played
  // through, or refused (the player closed after its Play/Pause, with a
  // message or silently) and passed over as a user would.
  const auto refusedNow = [&] {
    return g_player->State() == kClosed &&
           session.CommandCount(IDM_PLAY_PAUSE) > session.CommandCount(IDM_NEXT_FILE);
  };
  int32_t refused = 0;
  for (int32_t ended = 0; ended < files; ended = session.CommandCount(IDM_NEXT_FILE)) {
    ASSERT_TRUE(session.PumpUntil([&] { return session.CommandCount(IDM_NEXT_FILE) > ended || refusedNow(); },
                                  60000))
        << "entry " << ended << " neither ended nor was refused: state " << g_player->State()
        << ", frame " << g_player->CurrentFrame() << " of " << g_player->FrameCount();
    if (session.CommandCount(IDM_NEXT_FILE) == ended) {
      ++refused;
      session.Command(IDM_NEXT_FILE);
    }
  }
  ASSERT_TRUE(session.PumpUntil([] { return g_player->State() == kClosed; }, 10000));
  for (const ShownMessage& message : session.Messages()) {
    EXPECT_TRUE(IsOpeningMessage(message)) << message.caption << ": " << message.text;
  }
  const PlaybackTally tally = CurrentTally();
  EXPECT_GE(tally.filesOpened, files / 2);
  EXPECT_EQ(tally.filesOpened + refused, files);
  // Every frame the data holds went through the video thread, and no frame
  // past the data was counted.
  EXPECT_EQ(tally.framesShown + tally.framesDropped, readable);
  std::printf("%d prefixes: %d played (%lld frames shown, %lld dropped), %d refused\n", files,
              tally.filesOpened, static_cast<long long>(tally.framesShown),
              static_cast<long long>(tally.framesDropped), refused);
}

}  // namespace

#include "tests/common/clip_packets.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

// Lines like "codec_type=video|stream_index=0|dts=0|size=9853|pos=10438|flags=K_|...".
std::vector<Packet> LoadPackets(const std::string& path) {
  std::vector<Packet> packets;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    Packet p;
    char flags[3] = {};
    const int fields = std::sscanf(
        line.c_str(), "codec_type=%*[a-z]|stream_index=%d|dts=%lld|size=%u|pos=%lld|flags=%2s",
        &p.stream, &p.dts, &p.size, &p.pos, flags);
    EXPECT_EQ(fields, 5) << path << ": " << line;
    p.keyframe = flags[0] == 'K';
    packets.push_back(p);
  }
  return packets;
}

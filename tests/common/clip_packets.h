// The packet list tools/make_clips.sh writes beside each clip: the packets
// of every stream in file order, as ffmpeg's own AVI demuxer reads them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Packet {
  int stream = -1;
  long long dts = -1;
  long long pos = -1;  // the file position of the packet's first byte
  uint32_t size = 0;
  bool keyframe = false;
};

// The packets of CLIP.packets (a line that does not parse fails the test).
std::vector<Packet> LoadPackets(const std::string& path);

// Where tests find the generated clips and where they may write scratch files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A clip made by tools/make_clips.sh, as a path this build's program can open
// (under Wine the Unix path is reached through drive Z:).
std::string ClipPath(const std::string& name);

// True when the clip exists (tests skip with a message otherwise).
bool ClipExists(const std::string& name);

// A fresh scratch directory for this test process, created on first use.
std::string ScratchDir();

// A path inside the scratch directory.
std::string ScratchPath(const std::string& name);

// The whole file (empty when it cannot be read).
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// Writes the bytes as the whole file at the path (a failed write fails the
// test) and returns the path.
std::string WriteWholeFile(const std::string& path, const std::string& bytes);
std::string WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

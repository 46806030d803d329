#include "tests/common/test_paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

std::string ClipPath(const std::string& name) {
#ifdef _WIN32
  return std::string("Z:") + VELMORA_CLIP_DIR + "/" + name;
#else
  return std::string(VELMORA_CLIP_DIR) + "/" + name;
#endif
}

bool ClipExists(const std::string& name) {
  FILE* f = std::fopen(ClipPath(name).c_str(), "rb");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

namespace {

// Made on first use, removed at exit.
struct Scratch {
  Scratch() {
    std::random_device seed;
    dir = fs::temp_directory_path() / ("velmora-tests-" + std::to_string(seed()) + std::to_string(seed()));
    fs::create_directories(dir);
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  fs::path dir;
};

const fs::path& ScratchRoot() {
  static const Scratch scratch;
  return scratch.dir;
}

}  // namespace

std::string ScratchDir() { return ScratchRoot().string(); }

std::string ScratchPath(const std::string& name) { return (ScratchRoot() / name).string(); }

std::string WriteWholeFile(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  const bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (file != nullptr) std::fclose(file);
  EXPECT_TRUE(written) << path;
  return path;
}

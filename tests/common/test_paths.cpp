#include "tests/common/test_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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

bool ClipExists(const std::string& name) { return std::ifstream(ClipPath(name), std::ios::binary).is_open(); }

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

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  EXPECT_TRUE(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush().good()) << path;
  return path;
}

std::string WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  return WriteWholeFile(path, std::string(bytes.begin(), bytes.end()));
}

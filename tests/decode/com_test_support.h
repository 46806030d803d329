// Helpers for the decoding bridge's Windows tests: a COM apartment per test,
// reference counts read back exactly, and decoder contexts with hand-made
// stream formats.
#pragma once

#include "decode/decoder_context.h"
#include "decode/direct_show.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// Every test that creates COM objects runs inside an apartment.
class ComTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
};

// The object's reference count, read without changing it.
inline ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// A decoder context with a video format of the given size and code, and
// optionally a sound format (the bytes of a WAVEFORMATEX and what follows, as
// WaveFormatBytes makes them).
struct TestStreams {
  TestStreams(int32_t width, int32_t height, uint32_t compression, uint16_t bitCount,
              std::vector<uint8_t> wave = {});

  DecoderContext context;
  std::vector<uint8_t> videoFormat;
  std::vector<uint8_t> audioFormat;
};

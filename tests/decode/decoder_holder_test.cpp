// The decoder holder with a fake decoder: the answers without a decoder, the
// bytes per audio block, the "Opening troubles" box, the release of failed
// and replaced decoders, and the pairing of COM initialisation with each
// decoder. (Plain forwarding to the decoder, and whether the sound plays, are
// seen wherever the player runs on a decoder.)
#include "decode/decoder_holder.h"

#include "platform/show_message.h"
#include "tests/engine/engine_fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef _WIN32
#include <objbase.h>
#endif

namespace {

// What the fake open function does, and how many decoders were destroyed.
struct Script {
  bool opens = true;
  bool createDecoder = true;
  std::string messages;
  int destroyed = 0;
} g_script;

struct CountedDecoder : FakeDecoder {
  ~CountedDecoder() override { ++g_script.destroyed; }
};

Decoder* FakeOpen(const char*, std::string* messages, bool* opened) {
  *messages += g_script.messages;
  *opened = g_script.opens;
  return g_script.createDecoder ? new CountedDecoder() : nullptr;
}

class DecoderHolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_script = Script();
    previousOpen_ = DecoderHolder::SetOpenFunction(&FakeOpen);
    previousSink_ = SetMessageSink([this](const ShownMessage& m) {
      shown_.push_back(m);
      return 1;
    });
  }
  void TearDown() override {
    holder_.Release();
    DecoderHolder::SetOpenFunction(previousOpen_);
    SetMessageSink(previousSink_);
  }
  CountedDecoder* Fake() { return static_cast<CountedDecoder*>(holder_.Current()); }

  EngineGlobalsGuard globals_;
  DecoderHolder holder_;
  std::vector<ShownMessage> shown_;
  DecoderHolder::OpenFunction previousOpen_ = nullptr;
  MessageSink previousSink_;
};

// Without a decoder every call is safe; those that fill buffers fail and
// leave them alone.
TEST_F(DecoderHolderTest, WithoutADecoderNothingIsReadOrWritten) {
  int32_t value = -7;
  uint32_t bytes = 77;
  uint8_t flag = 9;
  uint8_t buffer[4] = {5, 5, 5, 5};
  char text[16] = "stale";
  EXPECT_FALSE(holder_.AudioPlays());
  EXPECT_FALSE(holder_.AudioFormat(&flag, &flag, &value, &value, &value));
  EXPECT_FALSE(holder_.ReadVideoFrame(buffer, 0));
  EXPECT_FALSE(holder_.ReadAudioBlock(buffer, 0));
  holder_.GetAudioOutputFormat(&flag, &flag, &value, &value);
  holder_.GetVideoInfo(&value, &value, &value, &value, &value, &value, &value, &value, &bytes);
  holder_.GetVideoSummary(&value, &value, &value, &value, &value, &value);
  holder_.GetAudioInfo(&value, &value, &value, &value, &bytes, &value);
  holder_.HasIndex(&flag);
  holder_.DropAudio();
  EXPECT_EQ(0, holder_.PreviousKeyframe(33) + holder_.NextKeyframe(33));
  EXPECT_FALSE(holder_.ShowVideoDecoderPages(nullptr) || holder_.ShowAudioDecoderPages(nullptr));
  EXPECT_EQ(-7, value);
  EXPECT_EQ(9, flag);
  EXPECT_EQ(5, buffer[0]);
  holder_.DescribeVideoDecoders(text, sizeof(text));
  EXPECT_STREQ("", text);
}

TEST_F(DecoderHolderTest, TheAudioFormatAddsTheBytesPerBlock) {
  ASSERT_TRUE(holder_.Open("clip.avi"));
  EXPECT_TRUE(shown_.empty());
  Fake()->hasAudio_ = true;
  Fake()->samplesPerBlock_ = 1764;
  struct Case {
    uint8_t stereo, sixteenBit;
    int32_t bytes;
  };
  for (const Case c : {Case{1, 1, 7056}, Case{1, 0, 3528}, Case{0, 1, 3528}, Case{0, 0, 1764}}) {
    SCOPED_TRACE(testing::Message() << "stereo " << int{c.stereo} << ", 16-bit " << int{c.sixteenBit});
    Fake()->stereo_ = c.stereo;
    Fake()->sixteenBit_ = c.sixteenBit;
    int32_t bytes = 0;
    ASSERT_TRUE(holder_.AudioFormat(nullptr, nullptr, nullptr, nullptr, &bytes));
    EXPECT_EQ(c.bytes, bytes);
  }
}

TEST_F(DecoderHolderTest, MessagesAreShownOnceWithoutTheFinalLineFeedInTheOwnersBox) {
  static HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
  const DecoderHolder::OwnerFunction previous = DecoderHolder::SetOwnerFunction([] { return window; });
  g_script.messages = "Can't locate audio decompressor\n";
  ASSERT_TRUE(holder_.Open("clip.avi"));  // opens, with a warning
  DecoderHolder::SetOwnerFunction(previous);
  ASSERT_EQ(1u, shown_.size());
  EXPECT_EQ("Can't locate audio decompressor", shown_[0].text);
  EXPECT_EQ("Opening troubles", shown_[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONSTOP), shown_[0].type);
  EXPECT_EQ(window, shown_[0].owner);
  EXPECT_NE(nullptr, holder_.Current());

  // 1,023 characters fit the buffer with its terminator; the last one goes
  // as if it were the final line feed.
  shown_.clear();
  g_script.messages = std::string(2000, 'x') + "\n";
  holder_.Open("clip.avi");
  ASSERT_EQ(1u, shown_.size());
  EXPECT_EQ(std::string(1022, 'x'), shown_[0].text);
}

TEST_F(DecoderHolderTest, FailedAndReplacedDecodersAreReleased) {
  ASSERT_TRUE(holder_.Open("clip.avi"));
  ASSERT_TRUE(holder_.Open("next.avi"));  // a second open releases the first decoder
  EXPECT_EQ(1, g_script.destroyed);
  holder_.Release();
  EXPECT_EQ(2, g_script.destroyed);
  EXPECT_EQ(nullptr, holder_.Current());
  holder_.Release();  // nothing left
  EXPECT_EQ(2, g_script.destroyed);

  g_script.opens = false;
  g_script.messages = "Can't locate video decompressor\n";
  EXPECT_FALSE(holder_.Open("clip.avi"));
  EXPECT_EQ(nullptr, holder_.Current());
  EXPECT_EQ(3, g_script.destroyed);
  ASSERT_EQ(1u, shown_.size());
  EXPECT_EQ("Can't locate video decompressor", shown_[0].text);

  // A failure without a message shows no box; neither does an open function
  // that makes no decoder.
  shown_.clear();
  g_script.messages.clear();
  EXPECT_FALSE(holder_.Open("clip.avi"));
  g_script.createDecoder = false;
  g_script.opens = true;
  EXPECT_FALSE(holder_.Open("clip.avi"));
  EXPECT_EQ(nullptr, holder_.Current());
  EXPECT_TRUE(shown_.empty());
}

#ifdef _WIN32
// Each decoder keeps COM initialised on the thread from its open to its
// release (a second CoInitialize then answers S_FALSE).
TEST_F(DecoderHolderTest, ComIsInitialisedWhileADecoderIsHeld) {
  const HRESULT before = CoInitialize(nullptr);
  CoUninitialize();
  if (before != S_OK) GTEST_SKIP() << "COM was already initialised on this thread";
  ASSERT_TRUE(holder_.Open("clip.avi"));
  EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
  CoUninitialize();
  holder_.Release();
  EXPECT_EQ(S_OK, CoInitialize(nullptr));
  CoUninitialize();
  // A failed open, or one that makes no decoder, leaves nothing initialised.
  g_script.opens = false;
  EXPECT_FALSE(holder_.Open("clip.avi"));
  g_script.createDecoder = false;
  EXPECT_FALSE(holder_.Open("clip.avi"));
  EXPECT_EQ(S_OK, CoInitialize(nullptr));
  CoUninitialize();
}
#endif

}  // namespace

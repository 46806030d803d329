// The decoder holder with a fake decoder: forwarding, the answers without a
// decoder, the "Opening troubles" box, the audio-plays test and the pairing
// of COM initialisation with each decoder.
#include "decode/decoder_holder.h"

#include "settings/options.h"
#include "platform/show_message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <objbase.h>
#endif

namespace {

// What the fake open function does, and what the fake decoder saw.
struct Script {
  bool opens = true;
  std::string messages;
  bool audioOpen = true;
  bool createDecoder = true;
  int destroyed = 0;
  std::vector<std::string> calls;
} g_script;

class FakeDecoder : public Decoder {
 public:
  ~FakeDecoder() override { ++g_script.destroyed; }
  bool IsVideoOpen() override { return true; }
  bool IsAudioOpen() override { return g_script.audioOpen; }
  void DescribeVideoDecoders(char* text, size_t capacity) override { std::snprintf(text, capacity, "<CVID> Foo"); }
  void DescribeAudioDecoders(char* text, size_t capacity) override { std::snprintf(text, capacity, "None"); }
  void Close() override { g_script.calls.push_back("Close"); }
  void GetVideoInfo(int32_t* width, int32_t* height, int32_t*, int32_t*, int32_t*, int32_t*,
                    int32_t*, int32_t*, uint32_t* totalBytes) override {
    *width = 320;
    *height = 240;
    *totalBytes = 99;
  }
  void GetVideoSummary(int32_t*, int32_t*, int32_t* frameCount, int32_t*, int32_t*,
                       int32_t* codecGivesRgb) override {
    *frameCount = 50;
    *codecGivesRgb = 1;
  }
  bool ReadVideoFrame(uint8_t* destination, int32_t frame) override {
    destination[0] = static_cast<uint8_t>(frame);
    return frame < 50;
  }
  int32_t PreviousKeyframe(int32_t frame) override { return frame / 10 * 10; }
  int32_t NextKeyframe(int32_t frame) override { return frame / 10 * 10 + 10; }
  bool ShowVideoDecoderPages(HWND) override { return true; }
  bool ShowAudioDecoderPages(HWND) override { return false; }
  void GetAudioInfo(int32_t* channels, int32_t*, int32_t*, int32_t*, uint32_t*, int32_t*) override {
    *channels = 2;
  }
  void GetAudioOutputFormat(uint8_t* stereo, uint8_t* sixteenBit, int32_t* samplesPerSecond,
                            int32_t* samplesPerBlock) override {
    if (!g_script.audioOpen) return;
    *stereo = 1;
    *sixteenBit = 1;
    *samplesPerSecond = 22050;
    *samplesPerBlock = 1764;
  }
  bool ReadAudioBlock(uint8_t* destination, int32_t block) override {
    destination[0] = static_cast<uint8_t>(block + 1);
    return true;
  }
  void DropAudio() override { g_script.calls.push_back("DropAudio"); }
  void HasIndex(uint8_t* flag) override { *flag = 1; }
};

Decoder* FakeOpen(const char* fileName, std::string* messages, bool* opened) {
  g_script.calls.push_back(std::string("open ") + fileName);
  *messages += g_script.messages;
  *opened = g_script.opens;
  return g_script.createDecoder ? new FakeDecoder() : nullptr;
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
    savedOptions_ = g_options;
  }
  void TearDown() override {
    holder_.Release();
    DecoderHolder::SetOpenFunction(previousOpen_);
    SetMessageSink(previousSink_);
    g_options = savedOptions_;
  }

  DecoderHolder holder_;
  std::vector<ShownMessage> shown_;
  DecoderHolder::OpenFunction previousOpen_ = nullptr;
  MessageSink previousSink_;
  Options savedOptions_;
};

}  // namespace

TEST_F(DecoderHolderTest, WithoutADecoderEverythingAnswersFalseOrZeroAndWritesNothing) {
  int32_t value = -7;
  uint32_t bytes = 77;
  uint8_t flag = 9;
  uint8_t buffer[4] = {5, 5, 5, 5};
  char text[16] = "stale";
  EXPECT_EQ(nullptr, holder_.Current());
  EXPECT_FALSE(holder_.IsVideoOpen());
  EXPECT_FALSE(holder_.IsAudioOpen());
  EXPECT_FALSE(holder_.AudioPlays());
  EXPECT_FALSE(holder_.AudioFormat(&flag, &flag, &value, &value, &value));
  EXPECT_FALSE(holder_.ReadVideoFrame(buffer, 0));
  EXPECT_FALSE(holder_.ReadAudioBlock(buffer, 0));
  EXPECT_EQ(0, holder_.PreviousKeyframe(33));
  EXPECT_EQ(0, holder_.NextKeyframe(33));
  EXPECT_FALSE(holder_.ShowVideoDecoderPages(nullptr));
  EXPECT_FALSE(holder_.ShowAudioDecoderPages(nullptr));
  holder_.GetVideoInfo(&value, &value, &value, &value, &value, &value, &value, &value, &bytes);
  holder_.GetVideoSummary(&value, &value, &value, &value, &value, &value);
  holder_.GetAudioInfo(&value, &value, &value, &value, &bytes, &value);
  holder_.GetAudioOutputFormat(&flag, &flag, &value, &value);
  holder_.HasIndex(&flag);
  holder_.DropAudio();
  EXPECT_EQ(-7, value);
  EXPECT_EQ(77u, bytes);
  EXPECT_EQ(9, flag);
  EXPECT_EQ(5, buffer[0]);
  holder_.DescribeVideoDecoders(text, sizeof(text));
  EXPECT_STREQ("", text);
  std::strcpy(text, "stale");
  holder_.DescribeAudioDecoders(text, sizeof(text));
  EXPECT_STREQ("", text);
  EXPECT_TRUE(shown_.empty());
}

TEST_F(DecoderHolderTest, AnOpenFileForwardsEveryOperation) {
  ASSERT_TRUE(holder_.Open("clip.avi"));
  ASSERT_NE(nullptr, holder_.Current());
  EXPECT_EQ(std::vector<std::string>{"open clip.avi"}, g_script.calls);
  EXPECT_TRUE(shown_.empty());  // no messages, no box

  int32_t width = 0, height = 0, frames = 0, rgb = 0;
  uint32_t bytes = 0;
  holder_.GetVideoInfo(&width, &height, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &bytes);
  EXPECT_EQ(320, width);
  EXPECT_EQ(240, height);
  EXPECT_EQ(99u, bytes);
  holder_.GetVideoSummary(nullptr, nullptr, &frames, nullptr, nullptr, &rgb);
  EXPECT_EQ(50, frames);
  EXPECT_EQ(1, rgb);
  uint8_t buffer[1] = {0};
  EXPECT_TRUE(holder_.ReadVideoFrame(buffer, 12));
  EXPECT_EQ(12, buffer[0]);
  EXPECT_FALSE(holder_.ReadVideoFrame(buffer, 50));
  EXPECT_TRUE(holder_.ReadAudioBlock(buffer, 6));
  EXPECT_EQ(7, buffer[0]);
  EXPECT_EQ(10, holder_.PreviousKeyframe(17));
  EXPECT_EQ(20, holder_.NextKeyframe(17));
  EXPECT_TRUE(holder_.ShowVideoDecoderPages(nullptr));
  char text[32] = "";
  holder_.DescribeVideoDecoders(text, sizeof(text));
  EXPECT_STREQ("<CVID> Foo", text);
  uint8_t flag = 0;
  holder_.HasIndex(&flag);
  EXPECT_EQ(1, flag);
  holder_.DropAudio();
  EXPECT_EQ("DropAudio", g_script.calls.back());

  // A second open releases the first decoder.
  ASSERT_TRUE(holder_.Open("next.avi"));
  EXPECT_EQ(1, g_script.destroyed);
  holder_.Release();
  EXPECT_EQ(2, g_script.destroyed);
  EXPECT_EQ(nullptr, holder_.Current());
  holder_.Release();  // nothing left
  EXPECT_EQ(2, g_script.destroyed);
}

TEST_F(DecoderHolderTest, TheAudioFormatAddsTheBytesPerBlock) {
  ASSERT_TRUE(holder_.Open("clip.avi"));
  uint8_t stereo = 0, sixteenBit = 0;
  int32_t rate = 0, samples = 0, bytes = 0;
  ASSERT_TRUE(holder_.AudioFormat(&stereo, &sixteenBit, &rate, &samples, &bytes));
  EXPECT_EQ(1, stereo);
  EXPECT_EQ(1, sixteenBit);
  EXPECT_EQ(22050, rate);
  EXPECT_EQ(1764, samples);
  EXPECT_EQ(7056, bytes);  // 16-bit stereo, 1,764 samples
  EXPECT_TRUE(holder_.AudioFormat(nullptr, nullptr, nullptr, nullptr, &bytes));

  g_script.audioOpen = false;  // sound dropped
  bytes = -1;
  EXPECT_FALSE(holder_.AudioFormat(nullptr, nullptr, nullptr, nullptr, &bytes));
  EXPECT_EQ(-1, bytes);
}

TEST_F(DecoderHolderTest, AudioPlaysOnlyWithSoundOpenAndNotDisabled) {
  g_options.disableAudio = 0;
  ASSERT_TRUE(holder_.Open("clip.avi"));
  EXPECT_TRUE(holder_.AudioPlays());
  g_options.disableAudio = 1;
  EXPECT_FALSE(holder_.AudioPlays());
  EXPECT_TRUE(holder_.IsAudioOpen());
  g_options.disableAudio = 0;
  g_script.audioOpen = false;
  EXPECT_FALSE(holder_.AudioPlays());
}

TEST_F(DecoderHolderTest, MessagesAreShownOnceWithoutTheFinalLineFeed) {
  g_script.messages = "Can't locate audio decompressor\n";
  ASSERT_TRUE(holder_.Open("clip.avi"));  // opens, with a warning
  ASSERT_EQ(1u, shown_.size());
  EXPECT_EQ("Can't locate audio decompressor", shown_[0].text);
  EXPECT_EQ("Opening troubles", shown_[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONSTOP), shown_[0].type);
  EXPECT_NE(nullptr, holder_.Current());
}

TEST_F(DecoderHolderTest, TheBoxIsOwnedByTheWindowTheOwnerFunctionNames) {
  static HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
  const DecoderHolder::OwnerFunction previous = DecoderHolder::SetOwnerFunction([] { return window; });
  g_script.messages = "Can't locate audio decompressor\n";
  holder_.Open("clip.avi");
  DecoderHolder::SetOwnerFunction(previous);
  ASSERT_EQ(1u, shown_.size());
  EXPECT_EQ(window, shown_[0].owner);
}

TEST_F(DecoderHolderTest, AFailedOpenReleasesTheDecoder) {
  g_script.opens = false;
  g_script.messages = "Can't locate video decompressor\n";
  EXPECT_FALSE(holder_.Open("clip.avi"));
  EXPECT_EQ(nullptr, holder_.Current());
  EXPECT_EQ(1, g_script.destroyed);
  ASSERT_EQ(1u, shown_.size());
  EXPECT_EQ("Can't locate video decompressor", shown_[0].text);

  // A failure without a message shows no box.
  shown_.clear();
  g_script.messages.clear();
  EXPECT_FALSE(holder_.Open("clip.avi"));
  EXPECT_TRUE(shown_.empty());

  // Neither does an open function that makes no decoder at all.
  g_script.createDecoder = false;
  g_script.opens = true;
  EXPECT_FALSE(holder_.Open("clip.avi"));
  EXPECT_EQ(nullptr, holder_.Current());
}

TEST_F(DecoderHolderTest, TheTextIsCutToTheMessageBuffer) {
  g_script.messages = std::string(2000, 'x') + "\n";
  holder_.Open("clip.avi");
  ASSERT_EQ(1u, shown_.size());
  // 1,023 characters fit the buffer with its terminator; the last one goes
  // as if it were the final line feed.
  EXPECT_EQ(std::string(1022, 'x'), shown_[0].text);
}

TEST_F(DecoderHolderTest, WithoutAnOpenFunctionNothingOpens) {
  DecoderHolder::SetOpenFunction(nullptr);
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
  // A failed open leaves nothing initialised either.
  g_script.opens = false;
  EXPECT_FALSE(holder_.Open("clip.avi"));
  EXPECT_EQ(S_OK, CoInitialize(nullptr));
  CoUninitialize();
}
#endif

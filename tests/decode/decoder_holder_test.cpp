// The decoder holder with a fake decoder: the answers without a decoder, the
// bytes per audio block, the "Opening troubles" box, the release of failed
// and replaced decoders. (Plain forwarding to the decoder, whether the sound
// plays, and COM initialised for each decoder, which only the holder does,
// are seen wherever the shell plays real clips.)
#include "decode/decoder_holder.h"

#include "platform/show_message.h"
#include "tests/engine/engine_fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>


namespace {

// What the fake open function does, and how many decoders were destroyed.
struct Script { bool opens = true, createDecoder = true; std::string messages; int destroyed = 0; } g_script;

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
      shown_.push_back(m.text);
      box_ = m;
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
  std::vector<std::string> shown_;  // the texts shown
  ShownMessage box_ = {};           // the last box
  DecoderHolder::OpenFunction previousOpen_ = nullptr;
  MessageSink previousSink_;
};

// Without a decoder every call is safe; those that fill buffers fail and
// leave them alone. With one, the audio format adds the bytes per block.
TEST_F(DecoderHolderTest, WithoutADecoderNothingIsReadOrWrittenAndTheAudioFormatAddsTheBytesPerBlock) {
  int32_t value = -7;
  uint32_t bytes = 77;
  uint8_t flag = 9, buffer[4] = {5, 5, 5, 5};
  char text[16] = "stale";
  EXPECT_FALSE(holder_.AudioPlays() || holder_.AudioFormat(&flag, &flag, &value, &value, &value) ||
               holder_.ReadVideoFrame(buffer, 0) || holder_.ReadAudioBlock(buffer, 0));
  holder_.GetAudioOutputFormat(&flag, &flag, &value, &value);
  holder_.GetVideoInfo(&value, &value, &value, &value, &value, &value, &value, &value, &bytes);
  holder_.GetVideoSummary(&value, &value, &value, &value, &value, &value);
  holder_.GetAudioInfo(&value, &value, &value, &value, &bytes, &value);
  holder_.HasIndex(&flag);
  holder_.DropAudio();
  EXPECT_EQ(0, holder_.PreviousKeyframe(33) + holder_.NextKeyframe(33));
  EXPECT_FALSE(holder_.ShowVideoDecoderPages(nullptr) || holder_.ShowAudioDecoderPages(nullptr));
  EXPECT_EQ(std::vector<int>({-7, 9, 5}), std::vector<int>({value, flag, buffer[0]}));
  holder_.DescribeVideoDecoders(text, sizeof(text));
  EXPECT_STREQ("", text);

  ASSERT_TRUE(holder_.Open("clip.avi"));
  Fake()->hasAudio_ = true;
  Fake()->samplesPerBlock_ = 1764;
  for (const std::vector<int32_t>& c : {std::vector<int32_t>{1, 1, 7056}, {1, 0, 3528}, {0, 1, 3528}, {0, 0, 1764}}) {
    Fake()->stereo_ = static_cast<uint8_t>(c[0]);
    Fake()->sixteenBit_ = static_cast<uint8_t>(c[1]);
    ASSERT_TRUE(holder_.AudioFormat(nullptr, nullptr, nullptr, nullptr, &value));
    EXPECT_EQ(c[2], value) << "stereo " << c[0] << ", 16-bit " << c[1];
  }
}

// Each open's messages are shown once, without the final line feed, in the
// owner's box; 1,023 characters fit the buffer with its terminator, and the
// last one goes as if it were the final line feed. Each new open releases
// the decoder before it, a failed one its own; a failure without a message
// shows no box, and neither does an open function that makes no decoder.
TEST_F(DecoderHolderTest, MessagesAreShownOnceAndEveryDecoderIsReleased) {
  static HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
  const DecoderHolder::OwnerFunction previous = DecoderHolder::SetOwnerFunction([] { return window; });
  // Opens and makes a decoder, the messages; opened and holds a decoder,
  // decoders destroyed so far, the text shown.
  struct Step { bool opens, createDecoder; std::string messages; bool opened; int destroyed; std::string shown; };
  const Step steps[] = {
      {true, true, "", true, 0, ""},
      {true, true, "Can't locate audio decompressor\n", true, 1, "Can't locate audio decompressor"},
      {true, true, std::string(2000, 'x') + "\n", true, 2, std::string(1022, 'x')},
      {false, true, "Can't locate video decompressor\n", false, 4, "Can't locate video decompressor"},
      {false, true, "", false, 5, ""}, {true, false, "", false, 5, ""},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.messages.substr(0, 40));
    shown_.clear();
    g_script = {step.opens, step.createDecoder, step.messages, g_script.destroyed};
    EXPECT_EQ(step.opened, holder_.Open("clip.avi"));
    EXPECT_EQ(step.opened, holder_.Current() != nullptr);
    EXPECT_EQ(step.destroyed, g_script.destroyed);
    EXPECT_EQ(step.shown.empty() ? std::vector<std::string>() : std::vector<std::string>{step.shown}, shown_);
    EXPECT_TRUE(shown_.empty() || (box_.caption == "Opening troubles" && box_.owner == window &&
                                   box_.type == static_cast<UINT>(MB_OK | MB_ICONSTOP)));
  }
  DecoderHolder::SetOwnerFunction(previous);
  g_script = {true, true, "", g_script.destroyed};
  ASSERT_TRUE(holder_.Open("next.avi"));
  holder_.Release();
  EXPECT_EQ(nullptr, holder_.Current());
  holder_.Release();  // nothing left
  EXPECT_EQ(6, g_script.destroyed);
}


}  // namespace

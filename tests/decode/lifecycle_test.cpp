// Lifetimes in a real graph: a hundred opens and closes leak neither
// objects, handles nor memory, rendered chains leave nothing of ours, and
// the two streams decode in parallel.
#include "decode/avi_splitter_filter.h"
#include "decode/dest_audio_pin.h"
#include "decode/dest_transport.h"
#include "decode/dest_video_pin.h"
#include "decode/filter_chain.h"
#include "decode/frame_allocator.h"
#include "decode/frame_sample.h"
#include "decode/media_type_enumerator.h"
#include "decode/pin_enumerator.h"
#include "decode/sample_grabber_filter.h"
#include "decode/source_audio_pin.h"
#include "decode/source_video_pin.h"
#include "tests/common/test_paths.h"
#include "tests/decode/clip_decoding_support.h"
#include "tools/event_kind.h"

#include <gtest/gtest.h>

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <string>
#include <thread>

namespace {

// Every object of ours that is alive, by class.
std::string LiveObjects() {
  const int counts[] = {AviSplitterFilter::Live(), SampleGrabberFilter::Live(), SourceVideoPin::Live(),
                        SourceAudioPin::Live(),    DestVideoPin::Live(),        DestAudioPin::Live(),
                        DestTransport::Live(),     FrameAllocator::Live(),      FrameSample::Live(),
                        PinEnumerator::Live(),     MediaTypeEnumerator::Live()};
  std::string text;
  for (int count : counts) text += std::to_string(count) + " ";
  return text;
}

const std::string kNothingLive = "0 0 0 0 0 0 0 0 0 0 0 ";

// Committed memory (Wine leaves PrivateUsage at 0).
SIZE_T CommittedBytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PagefileUsage;
}

// The process's open handles but for what Wine's filter graph keeps of its
// own for every graph: registry keys and one manual-reset event (shown by
// bench/wine_leaks.sh; the decoder makes neither). Wine's
// GetProcessHandleCount gives 0, so every handle value is looked at.
int OwnHandles() {
  int count = 0;
  for (uintptr_t value = 4; value < 0x20000; value += 4) {
    const HANDLE handle = reinterpret_cast<HANDLE>(value);
    alignas(8) char type[512];
    if (NtQueryObject(handle, ObjectTypeInformation, type, sizeof type, nullptr) != 0) continue;
    const UNICODE_STRING& name = reinterpret_cast<PUBLIC_OBJECT_TYPE_INFORMATION*>(type)->TypeName;
    const std::wstring typeName(name.Buffer, name.Length / sizeof(wchar_t));
    const bool manualEvent = typeName == L"Event" && KindOfEvent(handle) == EventKind::kManualReset;
    count += typeName != L"Key" && !manualEvent;
  }
  return count;
}

}  // namespace

// Nothing of ours is left after a close, whether the sound was given up or
// not, the chains rendered in full or not, nor after a failed open. Mostly the quicker clips (Wine spends 0.1 to
// 0.5 s on building a graph): raw video with PCM, Cinepak through the output
// check and its reconnection, and every tenth an MP3 file through Wine's MP3
// decoder.
TEST_F(ClipTest, AHundredOpensAndClosesLeakNothing) {
  EXPECT_FALSE(OpenPath(ScratchPath("missing.avi")));
  ASSERT_EQ(kNothingLive, LiveObjects());
  SIZE_T memoryBefore = 0;
  int handlesBefore = 0;
  std::vector<uint8_t> frame(320 * 240 * 2), block(23520);
  for (int cycle = 0; cycle < 100; ++cycle) {
    if (cycle == 10) {  // after the system's own one-time allocations
      memoryBefore = CommittedBytes();
      handlesBefore = OwnHandles();
    }
    DecoderOpenSettings settings;
    settings.addToRot = cycle % 2 == 0;
    settings.renderFullChains = cycle == 4;  // not measured: Wine's renderers keep memory of their own
    const char* clip = cycle % 10 == 5 ? "cinepak_mp3.avi" : cycle % 2 ? "cinepak_pcm16.avi" : "raw_pcm16.avi";
    ASSERT_TRUE(OpenClip(clip, settings)) << messages_;
    ASSERT_TRUE(decoder_->ReadVideoFrame(frame.data(), 2 + cycle % 28)) << clip;  // frame 1 may be empty
    ASSERT_TRUE(decoder_->ReadAudioBlock(block.data(), cycle % 10)) << clip;
    if (settings.renderFullChains) {  // the renderers Render added are gone: the grabber ends both chains
      std::string listing;
      AppendGraphListing(&listing, decoder_->Source());
      EXPECT_EQ(std::string::npos, listing.find("Renderer")) << listing;
    }
    if (cycle % 4 == 0) decoder_->DropAudio();
    decoder_->Close();
    ASSERT_EQ(kNothingLive, LiveObjects()) << "cycle " << cycle;
  }
  const long long growth = static_cast<long long>(CommittedBytes()) - static_cast<long long>(memoryBefore);
  const int handlesAfter = OwnHandles();
  std::printf("90 cycles: %lld bytes more committed memory, handles %d -> %d\n", growth, handlesBefore,
              handlesAfter);
  EXPECT_LT(growth, 4ll << 20);
  EXPECT_LE(handlesAfter, handlesBefore + 4);
}

// The video reader and the audio reader on two threads at once, as the
// playback threads call them: each stream gives what it gives alone. (PCM
// sound, so that starting again at block 0 gives exactly the same blocks.)
TEST_F(ClipTest, BothStreamsDecodeInParallel) {
  ASSERT_TRUE(OpenClip("cinepak_pcm16.avi")) << messages_;
  const int32_t blockCount = 29;
  const size_t blockBytes = 2940 * 4;
  std::vector<std::vector<uint8_t>> frames(FrameCount(), std::vector<uint8_t>(FrameSize()));
  std::vector<std::vector<uint8_t>> blocks(blockCount, std::vector<uint8_t>(blockBytes));
  for (int32_t f = 0; f < FrameCount(); ++f) ASSERT_TRUE(decoder_->ReadVideoFrame(frames[f].data(), f));
  for (int32_t b = 0; b < blockCount; ++b) ASSERT_TRUE(decoder_->ReadAudioBlock(blocks[b].data(), b));

  for (int round = 0; round < 3; ++round) {
    bool videoSame = true, audioSame = true;
    std::thread video([&] {
      std::vector<uint8_t> frame(FrameSize());
      for (int32_t f = 0; f < FrameCount(); ++f) {
        videoSame = videoSame && decoder_->ReadVideoFrame(frame.data(), f) && frame == frames[f];
      }
    });
    std::thread audio([&] {
      std::vector<uint8_t> block(blockBytes);
      for (int32_t b = 0; b < blockCount; ++b) {
        audioSame = audioSame && decoder_->ReadAudioBlock(block.data(), b) && block == blocks[b];
      }
    });
    video.join();
    audio.join();
    EXPECT_TRUE(videoSame) << "round " << round;
    EXPECT_TRUE(audioSame) << "round " << round;
  }
}

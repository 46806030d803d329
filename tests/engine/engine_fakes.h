// Stand-ins for what the playback engine works through: a scripted clock
// whose time moves only when the engine sleeps, a sound output with a
// settable blocks-written counter, a presenter and a window that record what
// they were asked, a decoder that stamps frame numbers, and recording effects.
// Then a playback context over them with a frame ring the test fills by hand.
#pragma once

#include "decode/decoder.h"
#include "engine/playback_context.h"
#include "engine/shell_signals.h"
#include "settings/options.h"
#include "settings/shared_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// What a fake was asked, appended by the playback threads and read whole by
// the test.
template <typename T>
struct CallLog {
  void Add(const T& item) { std::lock_guard<std::mutex> lock(mutex_); items_.push_back(item); }
  std::vector<T> Items() { std::lock_guard<std::mutex> lock(mutex_); return items_; }
  size_t Size() { std::lock_guard<std::mutex> lock(mutex_); return items_.size(); }
  void Clear() { std::lock_guard<std::mutex> lock(mutex_); items_.clear(); }
  std::mutex mutex_;
  std::vector<T> items_;
};

// Time in milliseconds (frequency 1,000) that advances by exactly the slept
// amount. An optional hook runs at every sleep (e.g. a scripted feeder).
struct ScriptedTime : PlaybackTime {
  bool Frequency(int64_t* countsPerSecond) override { *countsPerSecond = frequency_; return !frequencyFails_; }
  int64_t Counter() override { return now_.load(); }
  void Sleep(uint32_t milliseconds) override {
    Advance(milliseconds);
    slept_ += milliseconds;
    if (onSleep_) onSleep_(milliseconds);
  }
  void Advance(int64_t milliseconds) { now_ += milliseconds * frequency_ / 1000; }
  int64_t SleptMilliseconds() const { return slept_.load(); }

  int64_t frequency_ = 1000;
  bool frequencyFails_ = false;
  std::function<void(uint32_t)> onSleep_;
  std::atomic<int64_t> now_{0}, slept_{0};
};

struct FakeSound : SoundPort {
  bool Open(HWND, int32_t, bool stereo, bool sixteenBit, int32_t framesPerBlock, int32_t blockCount) override {
    if (failOpen_) return false;
    frameBytes_ = (stereo ? 2 : 1) * (sixteenBit ? 2 : 1);
    bytesPerBlock_ = framesPerBlock * frameBytes_, openedBlocks_ = blockCount;
    return open_ = true;
  }
  void Close() override { open_ = false; }
  bool IsOpen() override { return open_; }
  void SetPlaying(bool playing) override { if (playing_.exchange(playing) != playing) ++playTransitions_; }
  void SetVolume(int32_t percent) override { lastVolume_ = percent; ++volumeCalls_; }
  bool CanWriteBlock() override { return freeBlocks_.load() > 0; }
  bool LockNextBlock(uint8_t** block, int32_t* frames) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (failLock_) return false;
    block_.assign(static_cast<size_t>(bytesPerBlock_), 0xEE);
    *block = block_.data(), *frames = bytesPerBlock_ / frameBytes_;
    return true;
  }
  bool UnlockBlock() override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    written.Add(block_);
    if (freeBlocks_ > 0) --freeBlocks_;
    return true;
  }
  void ResyncWriteIndex() override {}
  void SetBlockCounter(int32_t value) override { counter_ = value; }
  void CountBlock() override { ++counter_; }
  int32_t GetBlockCounter() override { return counter_.load(); }
  void Lock() override { mutex_.lock(); }
  void Unlock() override { mutex_.unlock(); }

  CallLog<std::vector<uint8_t>> written;  // the unlocked blocks' bytes
  std::atomic<bool> open_{false}, failOpen_{false}, playing_{false}, failLock_{false};
  std::atomic<int32_t> playTransitions_{0}, lastVolume_{-1}, volumeCalls_{0}, freeBlocks_{0}, counter_{0};
  int32_t bytesPerBlock_ = 64, frameBytes_ = 1, openedBlocks_ = 0;
  std::recursive_mutex mutex_;
  std::vector<uint8_t> block_;
};

struct SetupCall { uint32_t allowFlags; RECT videoRect; };

struct FakePicture : PicturePort {
  bool Setup(IDirectDraw*, HWND, const RECT* videoRect, int32_t, int32_t, int32_t, uint32_t allowFlags) override {
    setups.Add(SetupCall{allowFlags, videoRect ? *videoRect : RECT{0, 0, 0, 0}});
    return true;
  }
  bool Present(const uint8_t* frame, const Options& options) override;
  void Release() override { ++releases_; }
  void Shutdown() override { ++shutdowns_; }
  int32_t Mode() override { return 1; }

  ScriptedTime* time = nullptr;       // when set, presentedAt notes its slept time at each Present
  CallLog<int64_t> presentedAt;
  CallLog<int32_t> presented;         // the stamps of presented frames, in order
  CallLog<uint8_t> presentedQuality;  // highQualityConversion of each Present's options
  CallLog<SetupCall> setups;
  std::atomic<int32_t> releases_{0}, shutdowns_{0};
};

struct PostedCommand { int32_t id; LPARAM lParam; };

struct FakeHost : PlaybackHost {
  HWND MainWindow() override { return nullptr; }
  IDirectDraw* DirectDraw() override { return nullptr; }
  void ShowFileTitle(const char* path) override { titles.Add(std::string("file:") + path); }
  void ShowDefaultTitle() override { titles.Add("default"); }
  void Repaint() override {}
  void WindowSize(int32_t* width, int32_t* height) override { *width = 640, *height = 480; }
  void FitWindowToVideo() override {}
  void RestoreWindowSize(int32_t, int32_t) override {}
  void LeaveFullscreen() override { ++fullscreenLeaves_; }
  void PostCommand(int32_t id, LPARAM lParam) override { posted.Add(PostedCommand{id, lParam}); }
  void DrawStatus(int32_t progress) override { statusDrawn.Add(progress); }
  void DrawBorders() override { ++borders_; }
  void ReopenDrawDib() override { ++drawDibReopens_; }
  uint64_t AvailableMemory() override { return availableMemory_; }
  void SaveAndDisableSystemSettings(SystemSettings* saved) override { *saved = system_, system_ = {0, 0, 0}; }
  void RestoreSystemSettings(const SystemSettings& saved) override { system_ = saved; }

  CallLog<std::string> titles;
  CallLog<PostedCommand> posted;
  CallLog<int32_t> statusDrawn;
  std::atomic<int32_t> fullscreenLeaves_{0}, borders_{0}, drawDibReopens_{0};
  SystemSettings system_{1, 1, 1};  // what the "system" holds now
  uint64_t availableMemory_ = 64 * 1024;
};

// A decoder of frameCount frames: frame n decodes to bytes whose first four
// hold n (and n's low byte elsewhere); audio block b to bytes of (b & 0xFF),
// a failing one to bytes of 0x55.
struct FakeDecoder : Decoder {
  bool IsVideoOpen() override { return true; }
  bool IsAudioOpen() override { return hasAudio_; }
  void DescribeVideoDecoders(char* text, size_t capacity) override { if (capacity > 0) *text = 0; }
  void DescribeAudioDecoders(char* text, size_t capacity) override { if (capacity > 0) *text = 0; }
  void Close() override {}
  void GetVideoInfo(int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                    uint32_t*) override {}
  void GetVideoSummary(int32_t* width, int32_t* height, int32_t* frameCount, int32_t* rate, int32_t* scale,
                       int32_t* codecGivesRgb) override {
    Put(width, width_), Put(height, height_), Put(frameCount, frameCount_), Put(rate, rate_), Put(scale, 1);
    Put(codecGivesRgb, 0);
  }
  bool ReadVideoFrame(uint8_t* destination, int32_t frame) override;
  int32_t PreviousKeyframe(int32_t frame) override {
    auto it = keyframes_.upper_bound(frame);
    return it == keyframes_.begin() ? 0 : *--it;
  }
  int32_t NextKeyframe(int32_t frame) override {
    auto it = keyframes_.lower_bound(frame);
    return it == keyframes_.end() ? 0 : *it;
  }
  bool ShowVideoDecoderPages(HWND) override { return false; }
  bool ShowAudioDecoderPages(HWND) override { return false; }
  void GetAudioInfo(int32_t*, int32_t*, int32_t*, int32_t*, uint32_t*, int32_t*) override {}
  void GetAudioOutputFormat(uint8_t* stereo, uint8_t* sixteenBit, int32_t* samplesPerSecond,
                            int32_t* samplesPerBlock) override {
    if (hasAudio_) Put(stereo, stereo_), Put(sixteenBit, sixteenBit_), Put(samplesPerSecond, sampleRate_);
    if (hasAudio_) Put(samplesPerBlock, samplesPerBlock_);
  }
  bool ReadAudioBlock(uint8_t* destination, int32_t block) override;
  void DropAudio() override { hasAudio_ = false, ++audioDrops_; }
  void HasIndex(uint8_t* flag) override { if (flag != nullptr) *flag = hasIndex_ ? 1 : 0; }
  int32_t VideoDataEnd() override { return std::min(frameCount_, foundEnd_.load()); }

  CallLog<int32_t> decodedFrames, decodedBlocks;
  int32_t width_ = 8, height_ = 2, frameCount_ = 100, rate_ = 25;
  int32_t dataEnd_ = 0x7FFFFFFF;  // frames the data holds: reads from here on find its end
  std::atomic<int32_t> foundEnd_{0x7FFFFFFF};
  std::set<int32_t> keyframes_ = {0}, failingFrames_;
  std::atomic<bool> hasAudio_{false};
  bool hasIndex_ = true;
  uint8_t stereo_ = 0, sixteenBit_ = 0;
  int32_t sampleRate_ = 1000, samplesPerBlock_ = 80;  // two frames at 25 fps
  std::atomic<int32_t> failingBlock_{-1}, audioDrops_{0};
  std::atomic<bool> failAllBlocks_{false};
  template <typename T, typename V>
  static void Put(T* out, V value) { if (out != nullptr) *out = static_cast<T>(value); }
};

// The stamp FakeDecoder wrote into a frame.
int32_t FrameStamp(const uint8_t* frame);

// Effects that count their calls: the filter, the level bar and the fade
// per frame, the audio filter per block. The filter also notes the options
// it was given, and runs duringFilter (when set) as a window that changes
// the options mid-pass would.
struct EffectLog {
  std::atomic<int32_t> filtered{0}, levelBars{0}, fades{0}, soundBlocks{0};
  CallLog<uint8_t> filteredQuality;  // highQualityConversion of each filter call's options
  void (*duringFilter)() = nullptr;
  void Reset() {
    filtered = levelBars = fades = soundBlocks = 0;
    filteredQuality.Clear();
    duringFilter = nullptr;
  }
};
extern EffectLog g_effectLog;
FrameEffects RecordingEffects();

// Saves the options the engine touches and puts them back at the end of a test.
struct EngineGlobalsGuard {
  EngineGlobalsGuard() : options_(g_options) { g_effectLog.Reset(); }
  ~EngineGlobalsGuard() { g_options = options_, PublishOptions(); }
  Options options_;
};

// The fakes of the ports but time, and the options put back after the test.
struct FakePorts {
  PlaybackPorts Ports(PlaybackTime* time) {
    return PlaybackPorts{&sound, &picture, &host, time, nullptr, &shell, nullptr, RecordingEffects()};
  }
  EngineGlobalsGuard globals;
  FakeSound sound;
  FakePicture picture;
  FakeHost host;
  ShellSignals shell;
};

// A playback context over the fakes and scripted time at 25 fps, playing an
// 8 x 2 picture (rows of 16 bytes) through a ring of 20 frames.
class PlaybackFixture : public ::testing::Test, public FakePorts {
 public:
  void SetUp() override;
  // Decodes frames first .. first + count - 1 into the ring (as the feeder would).
  void Queue(int32_t first, int32_t count, uint8_t flag = kFrameDecoded);
  // Gives the file sound: 1,000 Hz in blocks of 80 samples (two frames).
  void WithSound();
  void SetMode(uint32_t mode) { g_options.speedTroublesMode = mode, PublishOptions(); }

  ScriptedTime time;
  PlaybackClock clock{&time};
  FakeDecoder decoder;
  PlaybackRecord record;
  PlaybackContext context;
};

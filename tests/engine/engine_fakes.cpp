#include "engine_fakes.h"

#include "settings/shared_options.h"

#include <chrono>
#include <cstring>
#include <thread>

bool ScriptedTime::Frequency(int64_t* countsPerSecond) {
  if (frequencyFails_) return false;
  *countsPerSecond = frequency_;
  return true;
}

void ScriptedTime::Sleep(uint32_t milliseconds) {
  Advance(milliseconds);
  slept_ += milliseconds;
  if (onSleep_) onSleep_(milliseconds);
}

namespace {

class RealPlaybackTime : public PlaybackTime {
 public:
  bool Frequency(int64_t* countsPerSecond) override {
    *countsPerSecond = 1000000;
    return true;
  }
  int64_t Counter() override {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
  }
  void Sleep(uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

}  // namespace

PlaybackTime* RealTime() {
  static RealPlaybackTime time;
  return &time;
}

// --- FakeSound ---

FakeSound::FakeSound(int32_t bytesPerBlock, int32_t blocks)
    : bytesPerBlock_(bytesPerBlock), openedBlocks_(blocks) {}

bool FakeSound::Open(HWND, int32_t, bool stereo, bool sixteenBit, int32_t framesPerBlock,
                     int32_t blockCount) {
  if (failOpen_) return false;
  frameBytes_ = (stereo ? 2 : 1) * (sixteenBit ? 2 : 1);
  bytesPerBlock_ = framesPerBlock * frameBytes_;
  openedBlocks_ = blockCount;
  open_ = true;
  return true;
}

void FakeSound::Close() { open_ = false; }

void FakeSound::SetPlaying(bool playing) {
  if (playing_.exchange(playing) != playing) ++playTransitions_;
}

void FakeSound::SetVolume(int32_t percent) {
  lastVolume_ = percent;
  ++volumeCalls_;
}

bool FakeSound::LockNextBlock(uint8_t** block, int32_t* frames) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (failLock_) return false;
  block_.assign(static_cast<size_t>(bytesPerBlock_), 0xEE);
  *block = block_.data();
  *frames = bytesPerBlock_ / frameBytes_;
  return true;
}

bool FakeSound::UnlockBlock() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  written_.push_back(block_);
  if (freeBlocks_ > 0) --freeBlocks_;
  return true;
}

std::vector<uint8_t> FakeSound::Written(size_t index) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return index < written_.size() ? written_[index] : std::vector<uint8_t>();
}

size_t FakeSound::WrittenCount() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return written_.size();
}

// --- FakePicture ---

bool FakePicture::Setup(IDirectDraw*, HWND, const RECT* videoRect, int32_t width, int32_t height,
                        int32_t pitch, uint32_t allowFlags) {
  std::lock_guard<std::mutex> lock(mutex_);
  setups_.push_back(SetupCall{allowFlags, videoRect ? *videoRect : RECT{0, 0, 0, 0}, width,
                              height, pitch});
  return true;
}

bool FakePicture::Present(const uint8_t* frame) {
  std::lock_guard<std::mutex> lock(mutex_);
  presented_.push_back(FrameStamp(frame));
  return true;
}

std::vector<int32_t> FakePicture::Presented() {
  std::lock_guard<std::mutex> lock(mutex_);
  return presented_;
}

std::vector<SetupCall> FakePicture::Setups() {
  std::lock_guard<std::mutex> lock(mutex_);
  return setups_;
}

// --- FakeHost ---

void FakeHost::ShowFileTitle(const char* path) {
  std::lock_guard<std::mutex> lock(mutex_);
  title_ = std::string("file:") + path;
}

void FakeHost::ShowDefaultTitle() {
  std::lock_guard<std::mutex> lock(mutex_);
  title_ = "default";
}

std::string FakeHost::Title() {
  std::lock_guard<std::mutex> lock(mutex_);
  return title_;
}

void FakeHost::WindowSize(int32_t* width, int32_t* height) {
  *width = windowWidth_;
  *height = windowHeight_;
}

void FakeHost::RestoreWindowSize(int32_t width, int32_t height) {
  restoredWidth_ = width;
  restoredHeight_ = height;
}

void FakeHost::PostCommand(int32_t id, LPARAM lParam) {
  std::lock_guard<std::mutex> lock(mutex_);
  posted_.push_back(PostedCommand{id, lParam});
}

void FakeHost::DrawStatus(int32_t progress) {
  std::lock_guard<std::mutex> lock(mutex_);
  status_.push_back(progress);
}

void FakeHost::SaveAndDisableSystemSettings(SystemSettings* saved) {
  *saved = system_;
  system_ = SystemSettings{0, 0, 0};
}

void FakeHost::RestoreSystemSettings(const SystemSettings& saved) { system_ = saved; }

std::vector<PostedCommand> FakeHost::Posted() {
  std::lock_guard<std::mutex> lock(mutex_);
  return posted_;
}

std::vector<int32_t> FakeHost::StatusDrawn() {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

// --- FakeDecoder ---

int32_t FrameStamp(const uint8_t* frame) {
  int32_t stamp = 0;
  std::memcpy(&stamp, frame, sizeof stamp);
  return stamp;
}

void FakeDecoder::GetVideoInfo(int32_t* width, int32_t* height, int32_t* frameCount,
                               int32_t* rate, int32_t* scale, int32_t* bitCount, int32_t* planes,
                               int32_t* sampleSize, uint32_t* totalBytes) {
  GetVideoSummary(width, height, frameCount, rate, scale, nullptr);
  if (bitCount) *bitCount = 24;
  if (planes) *planes = 1;
  if (sampleSize) *sampleSize = 0;
  if (totalBytes) *totalBytes = 0;
}

void FakeDecoder::GetVideoSummary(int32_t* width, int32_t* height, int32_t* frameCount,
                                  int32_t* rate, int32_t* scale, int32_t* codecGivesRgb) {
  if (width) *width = width_;
  if (height) *height = height_;
  if (frameCount) *frameCount = frameCount_;
  if (rate) *rate = rate_;
  if (scale) *scale = 1;
  if (codecGivesRgb) *codecGivesRgb = 0;
}

bool FakeDecoder::ReadVideoFrame(uint8_t* destination, int32_t frame) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    decodedFrames_.push_back(frame);
  }
  if (frame < 0 || frame >= frameCount_ || failingFrames_.count(frame) != 0) return false;
  const int32_t size = height_ * ((2 * width_ - 1) / 4 * 4 + 4);
  std::memset(destination, frame & 0xFF, static_cast<size_t>(size));
  std::memcpy(destination, &frame, sizeof frame);
  return true;
}

int32_t FakeDecoder::PreviousKeyframe(int32_t frame) {
  auto it = keyframes_.upper_bound(frame);
  if (it == keyframes_.begin()) return 0;
  return *--it;
}

int32_t FakeDecoder::NextKeyframe(int32_t frame) {
  auto it = keyframes_.lower_bound(frame);
  return it == keyframes_.end() ? 0 : *it;
}

void FakeDecoder::GetAudioInfo(int32_t* channels, int32_t* bitsPerSample,
                               int32_t* samplesPerSecond, int32_t* sampleSize,
                               uint32_t* totalBytes, int32_t* totalSamples) {
  const bool audio = hasAudio_;
  if (channels) *channels = audio ? (stereo_ ? 2 : 1) : 0;
  if (bitsPerSample) *bitsPerSample = audio ? (sixteenBit_ ? 16 : 8) : 0;
  if (samplesPerSecond) *samplesPerSecond = audio ? sampleRate_ : 0;
  if (sampleSize) *sampleSize = 0;
  if (totalBytes) *totalBytes = 0;
  if (totalSamples) *totalSamples = 0;
}

void FakeDecoder::GetAudioOutputFormat(uint8_t* stereo, uint8_t* sixteenBit,
                                       int32_t* samplesPerSecond, int32_t* samplesPerBlock) {
  if (!hasAudio_) return;
  if (stereo) *stereo = stereo_;
  if (sixteenBit) *sixteenBit = sixteenBit_;
  if (samplesPerSecond) *samplesPerSecond = sampleRate_;
  if (samplesPerBlock) *samplesPerBlock = samplesPerBlock_;
}

bool FakeDecoder::ReadAudioBlock(uint8_t* destination, int32_t block) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    decodedBlocks_.push_back(block);
  }
  if (block == failingBlock_ || failAllBlocks_) return false;
  const int32_t bytes = samplesPerBlock_ * (stereo_ ? 2 : 1) * (sixteenBit_ ? 2 : 1);
  std::memset(destination, block & 0xFF, static_cast<size_t>(bytes));
  return true;
}

std::vector<int32_t> FakeDecoder::DecodedFrames() {
  std::lock_guard<std::mutex> lock(mutex_);
  return decodedFrames_;
}

std::vector<int32_t> FakeDecoder::DecodedBlocks() {
  std::lock_guard<std::mutex> lock(mutex_);
  return decodedBlocks_;
}

// --- Effects ---

EffectLog g_effectLog;

namespace {

void RecordFilter(uint8_t* frame, int32_t, int32_t, int32_t) {
  ++g_effectLog.filtered;
  ++frame[4];
}

void RecordLevelBar(uint8_t* frame, int32_t, int32_t) {
  ++g_effectLog.levelBars;
  frame[5] = 0xBB;
}

void RecordFade(uint8_t* frame, int32_t, int32_t) {
  ++g_effectLog.fades;
  --frame[6];
}

void RecordSound(uint8_t* block, bool, bool, int32_t) {
  ++g_effectLog.soundBlocks;
  (void)block;
}

}  // namespace

FrameEffects RecordingEffects() {
  FrameEffects effects;
  effects.applyVideoFilters = RecordFilter;
  effects.drawLevelBar = RecordLevelBar;
  effects.fadeStep = RecordFade;
  effects.applyAudioFilters = RecordSound;
  return effects;
}

// --- Globals ---

EngineGlobalsGuard::EngineGlobalsGuard() : options_(g_options) { g_effectLog.Reset(); }

EngineGlobalsGuard::~EngineGlobalsGuard() {
  g_options = options_;
  PublishOptions();
}

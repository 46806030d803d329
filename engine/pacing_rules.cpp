#include "engine/pacing_rules.h"

#include "settings/options.h"
#include "platform/win32.h"
#include "settings/present_mode.h"

namespace {

constexpr int32_t kLongestLag = 6;
constexpr int32_t kSkipModeOnBelow = 30;   // percent of the frame ring
constexpr int32_t kSkipModeOffAbove = 40;
constexpr int32_t kShortestJump = 5;
constexpr int32_t kLongestJump = 1000;

int32_t Narrow(int64_t value) {
  if (value > 0x7FFFFFFF) return 0x7FFFFFFF;
  if (value < -0x7FFFFFFF) return -0x7FFFFFFF;
  return static_cast<int32_t>(value);
}

}  // namespace

int32_t FramesPerSecond(int32_t rate, int32_t scale) {
  const int32_t fps = scale < 1 ? rate : rate / scale;
  return fps < 1 ? 1 : fps;
}

int32_t ResyncThreshold(int32_t rate, int32_t scale) {
  const int32_t threshold = FramesPerSecond(rate, scale) / 10;
  return threshold < 1 ? 1 : threshold;
}

int32_t LevelBarTime(int32_t rate, int32_t scale) {
  return scale < 1 ? 2 * rate : Narrow(int64_t{2} * rate / scale);
}

int32_t LipSyncFrame(const SoundPosition& p) {
  if (p.scale < 1 || p.sampleRate < 1) return 0;
  const int64_t started = int64_t{p.startBlock} * p.blockLength * p.rate / p.scale / p.sampleRate;
  const int64_t played = int64_t{p.blockCounter} * p.blockLength * p.rate / p.scale / p.sampleRate;
  const int64_t displaced = int64_t{p.displacement} * p.rate / p.scale / 1000;
  return Narrow(started + played + displaced + 1);
}

bool NeedsResync(int32_t audioFrame, int32_t targetFrame, int32_t threshold, bool firstChange) {
  const int64_t difference = int64_t{audioFrame} - targetFrame;
  return firstChange || difference > threshold || -difference > threshold;
}

bool NextSkipMode(bool skipMode, bool warmedUp, int32_t fillPercent, uint32_t speedMode,
                  bool endOfVideo) {
  if (warmedUp && fillPercent < kSkipModeOnBelow && speedMode == kSkipFrames) skipMode = true;
  if (fillPercent > kSkipModeOffAbove || speedMode != kSkipFrames || endOfVideo) skipMode = false;
  return skipMode;
}

int32_t EffectiveLag(int32_t targetFrame, int32_t currentFrame, bool skipMode, uint32_t speedMode) {
  if (speedMode == kJumpKeyframes || speedMode == kSmoothVideo) return 1;
  int32_t lag = Narrow(int64_t{targetFrame} - currentFrame);
  if (lag > kLongestLag) lag = kLongestLag;
  if (lag == 1 && skipMode) lag = 2;
  return lag;
}

int32_t KeyframeJump(int32_t nextFrame, int32_t keyframe) {
  const int64_t ahead = int64_t{keyframe} - nextFrame;
  return ahead >= kShortestJump && ahead <= kLongestJump ? static_cast<int32_t>(ahead) : 0;
}

bool FeederJumps(uint32_t speedMode) {
  return speedMode == kSkipFrames || speedMode == kJumpKeyframes;
}

int64_t BlocksForFrames(int32_t frames, int32_t scale, int32_t sampleRate, int32_t blockLength,
                        int32_t rate) {
  if (blockLength < 1 || rate < 1) return 0;
  return int64_t{frames} * scale * sampleRate / blockLength / rate;
}

bool AudioFeederShouldDecode(int32_t queuedBlocks, int32_t soundBufferBlocks, int64_t needed) {
  return queuedBlocks <= soundBufferBlocks || queuedBlocks <= needed;
}

int VideoThreadPriority(int32_t presentMode) {
  return IsYuvOverlay(presentMode) ? THREAD_PRIORITY_HIGHEST : THREAD_PRIORITY_NORMAL;
}

int VideoFeederPriority(int32_t fillPercent, int32_t queuedFrames, int32_t presentMode) {
  const bool hungry = (fillPercent < 50 && IsYuvOverlay(presentMode)) || queuedFrames < 2;
  return hungry ? THREAD_PRIORITY_NORMAL : THREAD_PRIORITY_BELOW_NORMAL;
}

int AudioFeederPriority(int32_t queuedBlocks, int32_t soundBufferBlocks) {
  return int64_t{queuedBlocks} * 2 < soundBufferBlocks ? THREAD_PRIORITY_HIGHEST : THREAD_PRIORITY_NORMAL;
}

int32_t StartBlockForFrame(int32_t frame, int32_t scale, int32_t sampleRate, int32_t blockLength,
                           int32_t rate) {
  return Narrow(BlocksForFrames(frame, scale, sampleRate, blockLength, rate));
}

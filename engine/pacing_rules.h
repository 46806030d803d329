// The arithmetic behind the playback threads' decisions: where the sound is
// in frames, how late the picture may run, which frames to drop, when the
// feeder jumps to a keyframe, how much sound to queue, and the priorities.
// Plain functions, so that each rule can be checked by itself.
#pragma once

#include <cstdint>

// "Speed Troubles Mode" values are those of app/options.h (kSkipFrames ...).

// Frames the picture may differ from the sound before it is pulled onto it:
// a tenth of a second, at least 1.
int32_t ResyncThreshold(int32_t rate, int32_t scale);
// Frames per second, at least 1.
int32_t FramesPerSecond(int32_t rate, int32_t scale);
// Frames the level bar stays up: two seconds.
int32_t LevelBarTime(int32_t rate, int32_t scale);

struct SoundPosition {
  int32_t startBlock;    // block the sound started at
  int32_t blockCounter;  // blocks written since
  int32_t blockLength;   // sample frames per block
  int32_t sampleRate;
  int32_t rate;          // video rate / scale
  int32_t scale;
  int32_t displacement;  // ms, positive delays the sound
};

// The frame the sound has reached: start block, counter and displacement as
// frames (each term in 64-bit, multiplications first, divisions in order,
// truncated toward zero), plus 1.
int32_t LipSyncFrame(const SoundPosition& position);

// Whether the target must jump to the sound's frame.
bool NeedsResync(int32_t audioFrame, int32_t targetFrame, int32_t threshold, bool firstChange);

// Skip mode (dropping every second frame in "Skip Frames" while the frame
// ring runs low): on below 30 % fill once warmed up, off above 40 %, in any
// other mode and at the end of the video.
bool NextSkipMode(bool skipMode, bool warmedUp, int32_t fillPercent, uint32_t speedMode,
                  bool endOfVideo);

// The lag the video thread acts on: at most 6, 1 counts as 2 in skip mode,
// always 1 in "Jump Keyframes" and "Smooth Video". lag - 1 frames follow
// unshown.
int32_t EffectiveLag(int32_t targetFrame, int32_t currentFrame, bool skipMode, uint32_t speedMode);

// Frames the video feeder jumps over to reach the keyframe at or before the
// target (5 to 1,000 ahead of the next frame to decode), or 0.
int32_t KeyframeJump(int32_t nextFrame, int32_t keyframe);
// The feeder looks for a jump only in these modes.
bool FeederJumps(uint32_t speedMode);

// Sound blocks that play as long as the queued frames (64-bit, in order).
int64_t BlocksForFrames(int32_t frames, int32_t scale, int32_t sampleRate, int32_t blockLength,
                        int32_t rate);
// The audio feeder decodes while the block ring holds no more than the sound
// buffer, or no more than the queued frames need.
bool AudioFeederShouldDecode(int32_t queuedBlocks, int32_t soundBufferBlocks, int64_t needed);

// Thread priorities (Win32 values).
int VideoThreadPriority(int32_t presentMode);
int VideoFeederPriority(int32_t fillPercent, int32_t queuedFrames, int32_t presentMode);
int AudioFeederPriority(int32_t queuedBlocks, int32_t soundBufferBlocks);

// The first block to decode for playback from a frame (64-bit, in order).
int32_t StartBlockForFrame(int32_t frame, int32_t scale, int32_t sampleRate, int32_t blockLength,
                           int32_t rate);

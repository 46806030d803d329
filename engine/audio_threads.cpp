#include "engine/audio_threads.h"

#include "decode/decoder.h"
#include "engine/pacing_rules.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t kIdleSleep = 100;
}

void FillSilence(uint8_t* block, int32_t bytes, bool sixteenBit) {
  if (bytes > 0) std::memset(block, sixteenBit ? 0 : 128, static_cast<size_t>(bytes));
}

AudioFeeder::AudioFeeder(const PlaybackContext& context)
    : context_(context), record_(*context.record), next_(record_.startBlock) {}

void AudioFeeder::Pass() {
  uint8_t* slot = record_.blockRing.WriteSlot();
  if (slot == nullptr) {
    context_.Sleep(kIdleSleep);
    return;
  }
  const int64_t needed = BlocksForFrames(record_.frameRing.Count(), record_.scale,
                                         record_.sampleRate, record_.blockLength, record_.rate);
  if (!AudioFeederShouldDecode(record_.blockRing.Count(), record_.soundBufferBlocks, needed)) {
    context_.Sleep(kIdleSleep);
    return;
  }
  const bool decoded = context_.decoder->ReadAudioBlock(slot, next_);
  record_.blockRing.Commit(decoded ? 1 : 0);
  ++next_;
}

void AudioFeeder::Run() {
  while (IsRunning(context_.audioFeeder)) Pass();
}

AudioOutputThread::AudioOutputThread(const PlaybackContext& context)
    : context_(context), record_(*context.record) {}

void AudioOutputThread::Pass() {
  uint8_t flag = 0;
  uint8_t* element = nullptr;
  if (context_.ports.sound->CanWriteBlock()) element = record_.blockRing.ReadSlot(&flag);
  if (element == nullptr || !WriteBlock(element, flag)) context_.Sleep(kIdleSleep);
}

bool AudioOutputThread::WriteBlock(uint8_t* element, uint8_t flag) {
  SoundPort* sound = context_.ports.sound;
  uint8_t* block = nullptr;
  int32_t frames = 0;
  if (!sound->LockNextBlock(&block, &frames)) return false;
  const bool sixteenBit = record_.sixteenBit != 0;
  if (flag == 0) FillSilence(element, record_.blockBytes, sixteenBit);
  context_.ports.effects.applyAudioFilters(element, record_.stereo != 0, sixteenBit,
                                           record_.blockLength);
  const int32_t frameBytes = (record_.stereo ? 2 : 1) * (sixteenBit ? 2 : 1);
  const int32_t bytes = std::min(record_.blockBytes, frames * frameBytes);
  if (block != nullptr && bytes > 0) std::memcpy(block, element, static_cast<size_t>(bytes));
  sound->UnlockBlock();
  record_.blockRing.Release();
  sound->CountBlock();
  SetPriority(context_.audioFeeder,
              AudioFeederPriority(record_.blockRing.Count(), record_.soundBufferBlocks));
  return true;
}

void AudioOutputThread::Run() {
  while (IsRunning(context_.audioOutput)) Pass();
}

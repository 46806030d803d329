// The sound output as the engine's sound port: every call goes straight to
// the SoundOutput, which takes its own lock.
#pragma once

#include "audio/sound_output.h"
#include "engine/playback_ports.h"

class SoundOutputPort : public SoundPort {
 public:
  explicit SoundOutputPort(SoundOutput* output) : output_(output) {}

  bool Open(HWND window, int32_t sampleRate, bool stereo, bool sixteenBit, int32_t framesPerBlock,
            int32_t blockCount) override {
    return output_->Open(window, sampleRate, stereo, sixteenBit, framesPerBlock, blockCount);
  }
  void Close() override { output_->Close(); }
  bool IsOpen() override { return output_->IsOpen(); }
  void SetPlaying(bool playing) override { output_->SetPlaying(playing); }
  void SetVolume(int32_t percent) override { output_->SetVolume(percent); }
  bool CanWriteBlock() override { return output_->CanWriteBlock(); }
  bool LockNextBlock(uint8_t** block, int32_t* frames) override {
    return output_->LockNextBlock(block, frames);
  }
  bool UnlockBlock() override { return output_->UnlockBlock(); }
  void ResyncWriteIndex() override { output_->ResyncWriteIndex(); }
  void SetBlockCounter(int32_t value) override { output_->SetBlockCounter(value); }
  void CountBlock() override { output_->CountBlock(); }
  int32_t GetBlockCounter() override { return output_->GetBlockCounter(); }
  void Lock() override { output_->Lock(); }
  void Unlock() override { output_->Unlock(); }

 private:
  SoundOutput* output_;
};

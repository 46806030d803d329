#include "audio/sound_output.h"

#include "platform/critical_section_lock.h"

#include "settings/options.h"

#include <mmsystem.h>
#include <dsound.h>

#include <cstring>
#include <memory>

SoundOutput* g_soundOutput = nullptr;

namespace {

// MsgWaitForMultipleObjects waits on at most 63 handles: up to 62 block
// events and the stop event. A buffer of more blocks shares the events round
// the buffer (block i signals event i mod 62).
constexpr int32_t kMostEvents = MAXIMUM_WAIT_OBJECTS - 2;

template <typename T>
void ReleaseInterface(T** pointer) {
  if (*pointer != nullptr) (*pointer)->Release();
  *pointer = nullptr;
}

WAVEFORMATEX PcmFormat(int32_t rate, bool stereo, bool sixteenBit) {
  WAVEFORMATEX format;
  std::memset(&format, 0, sizeof format);
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = stereo ? 2 : 1;
  format.nSamplesPerSec = static_cast<DWORD>(rate);
  format.wBitsPerSample = sixteenBit ? 16 : 8;
  format.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
  format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
  format.cbSize = 0;
  return format;
}

}  // namespace

SoundOutput::SoundOutput() { InitializeCriticalSection(&lock_); }

SoundOutput::~SoundOutput() {
  Close();
  DeleteCriticalSection(&lock_);
}

bool SoundOutput::Open(HWND window, int32_t sampleRate, bool stereo, bool sixteenBit,
                       int32_t framesPerBlock, int32_t blockCount) {
  Close();
  bool opened = false;
  {
    CriticalSectionLock guard(&lock_);
    blockCount_ = blockCount < 2 ? 2 : blockCount;
    sampleRate_ = sampleRate;
    stereo_ = stereo ? 1 : 0;
    sixteenBit_ = sixteenBit ? 1 : 0;
    if (framesPerBlock > 0 && sampleRate > 0 &&
        CreateBuffers(window, framesPerBlock) && CreateNotifications()) {
      blockCounter_ = 0;
      writeIndex_ = 0;
      notifiedIndex_ = 0;
      playing_ = 0;
      thread_.reset(new WorkerThread);
      opened = thread_->Create(NotificationRoutine, this);
      if (opened) thread_->SetPriority(THREAD_PRIORITY_TIME_CRITICAL);
    }
  }
  if (!opened) Close();
  return opened;
}

bool SoundOutput::CreateBuffers(HWND window, int32_t framesPerBlock) {
  if (FAILED(DirectSoundCreate(nullptr, &sound_, nullptr))) {
    sound_ = nullptr;
    return false;
  }
  if (FAILED(sound_->SetCooperativeLevel(window, DSSCL_PRIORITY))) return false;

  WAVEFORMATEX format = PcmFormat(sampleRate_, stereo_ != 0, sixteenBit_ != 0);
  DSBUFFERDESC desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
  if (FAILED(sound_->CreateSoundBuffer(&desc, &primary_, nullptr))) {
    primary_ = nullptr;
    return false;
  }
  if (FAILED(primary_->SetFormat(&format))) return false;

  blockSize_ = format.nBlockAlign * framesPerBlock;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLPOSITIONNOTIFY;
  if (g_options.enableVolumeControl) desc.dwFlags |= DSBCAPS_CTRLVOLUME;
  desc.dwBufferBytes = static_cast<DWORD>(blockCount_) * static_cast<DWORD>(blockSize_);
  desc.lpwfxFormat = &format;
  if (FAILED(sound_->CreateSoundBuffer(&desc, &secondary_, nullptr))) {
    secondary_ = nullptr;
    return false;
  }
  return true;
}

// One auto-reset event per block start (shared round the buffer beyond 62
// blocks), and the stop event last: entry blockCount holds it.
bool SoundOutput::CreateNotifications() {
  eventCount_ = blockCount_ < kMostEvents ? blockCount_ : kMostEvents;
  notifications_.reset(new (std::nothrow) Notification[blockCount_ + 1]);
  std::unique_ptr<DSBPOSITIONNOTIFY[]> positions(new (std::nothrow) DSBPOSITIONNOTIFY[blockCount_]);
  if (notifications_ == nullptr || positions == nullptr) return false;
  for (int32_t i = 0; i <= blockCount_; ++i) {
    notifications_[i].offset = static_cast<DWORD>(i) * static_cast<DWORD>(blockSize_);
    notifications_[i].event = nullptr;
  }
  for (int32_t i = 0; i < eventCount_; ++i) {
    notifications_[i].event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (notifications_[i].event == nullptr) return false;
  }
  notifications_[blockCount_].event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (notifications_[blockCount_].event == nullptr) return false;
  if (FAILED(secondary_->QueryInterface(IID_IDirectSoundNotify,
                                        reinterpret_cast<void**>(&notify_)))) {
    notify_ = nullptr;
    return false;
  }
  for (int32_t i = 0; i < blockCount_; ++i) {
    positions[i].dwOffset = notifications_[i].offset;
    positions[i].hEventNotify = notifications_[i % eventCount_].event;
  }
  return SUCCEEDED(notify_->SetNotificationPositions(static_cast<DWORD>(blockCount_),
                                                     positions.get()));
}

// Follows the play cursor: each block-start event names the block it
// entered (with shared events, the block of that event nearest the cursor).
DWORD WINAPI SoundOutput::NotificationRoutine(LPVOID self) {
  SoundOutput* output = static_cast<SoundOutput*>(self);
  HANDLE events[kMostEvents + 1];
  BlockFollower follower;
  IDirectSoundBuffer* buffer = nullptr;  // lives until Close has stopped this thread
  {
    CriticalSectionLock guard(&output->lock_);
    follower.blockCount = output->blockCount_;
    follower.eventCount = output->eventCount_;
    follower.blockSize = output->blockSize_;
    for (int32_t i = 0; i < follower.eventCount; ++i) events[i] = output->notifications_[i].event;
    events[follower.eventCount] = output->notifications_[follower.blockCount].event;
    buffer = output->secondary_;
  }
  for (;;) {
    const DWORD result = MsgWaitForMultipleObjects(static_cast<DWORD>(follower.eventCount + 1),
                                                   events, FALSE, INFINITE, 0);
    const DWORD index = result - WAIT_OBJECT_0;
    if (result == WAIT_FAILED || index >= static_cast<DWORD>(follower.eventCount)) break;  // stop
    DWORD played = 0;
    const bool cursorRead = follower.eventCount < follower.blockCount &&
                            SUCCEEDED(buffer->GetCurrentPosition(&played, nullptr));
    const int32_t current = output->notifiedIndex_.load();
    output->notifiedIndex_.store(
        follower.BlockOfEvent(static_cast<int32_t>(index), current, cursorRead ? int64_t{played} : -1));
  }
  return 0;
}

void SoundOutput::StopNotificationThread() {
  if (thread_ == nullptr) return;
  HANDLE stop = nullptr;
  {
    CriticalSectionLock guard(&lock_);
    if (notifications_ != nullptr) stop = notifications_[blockCount_].event;
  }
  if (stop == nullptr || !SetEvent(stop)) thread_->Terminate();
  thread_->Stop();
  thread_.reset();
}

void SoundOutput::Close() {
  StopNotificationThread();
  CriticalSectionLock guard(&lock_);
  ReleaseInterface(&notify_);
  if (notifications_ != nullptr) {
    for (int32_t i = 0; i <= blockCount_; ++i) {
      if (notifications_[i].event != nullptr) CloseHandle(notifications_[i].event);
    }
    notifications_.reset();
  }
  eventCount_ = 0;
  ReleaseInterface(&secondary_);
  ReleaseInterface(&primary_);
  ReleaseInterface(&sound_);
  playing_ = 0;
}

bool SoundOutput::IsOpen() {
  CriticalSectionLock guard(&lock_);
  return secondary_ != nullptr;
}

void SoundOutput::SetPlaying(bool playing) {
  CriticalSectionLock guard(&lock_);
  if (secondary_ == nullptr || (playing_ != 0) == playing) return;
  if (playing) {
    secondary_->Play(0, 0, DSBPLAY_LOOPING);
  } else {
    secondary_->Stop();
  }
  playing_ = playing ? 1 : 0;
}

void SoundOutput::SetVolume(int32_t percent) {
  CriticalSectionLock guard(&lock_);
  if (secondary_ != nullptr) secondary_->SetVolume(VolumeForPercent(percent));
}

bool SoundOutput::CanWriteBlock() {
  CriticalSectionLock guard(&lock_);
  return writeIndex_ != notifiedIndex_.load();
}

bool SoundOutput::LockNextBlock(uint8_t** block, int32_t* frames) {
  CriticalSectionLock guard(&lock_);
  if (secondary_ == nullptr) return false;
  const DWORD offset = static_cast<DWORD>(writeIndex_) * static_cast<DWORD>(blockSize_);
  if (FAILED(secondary_->Lock(offset, static_cast<DWORD>(blockSize_), &lockedFirst_,
                              &lockedFirstLength_, &lockedSecond_, &lockedSecondLength_, 0))) {
    lockedFirst_ = lockedSecond_ = nullptr;
    lockedFirstLength_ = lockedSecondLength_ = 0;
    return false;
  }
  DWORD sampleFrames = lockedFirstLength_;
  if (stereo_) sampleFrames /= 2;
  if (sixteenBit_) sampleFrames /= 2;
  if (block != nullptr) *block = static_cast<uint8_t*>(lockedFirst_);
  if (frames != nullptr) *frames = static_cast<int32_t>(sampleFrames);
  return true;
}

bool SoundOutput::UnlockBlock() {
  CriticalSectionLock guard(&lock_);
  if (secondary_ == nullptr) return false;
  if (FAILED(secondary_->Unlock(lockedFirst_, lockedFirstLength_, lockedSecond_,
                                lockedSecondLength_))) {
    return false;
  }
  writeIndex_ = (writeIndex_ + 1) % blockCount_;
  return true;
}

void SoundOutput::ResyncWriteIndex() {
  CriticalSectionLock guard(&lock_);
  writeIndex_ = notifiedIndex_.load() % blockCount_;
}

void SoundOutput::SetBlockCounter(int32_t value) {
  CriticalSectionLock guard(&lock_);
  blockCounter_ = value;
}

void SoundOutput::CountBlock() {
  CriticalSectionLock guard(&lock_);
  ++blockCounter_;
}

int32_t SoundOutput::GetBlockCounter() {
  CriticalSectionLock guard(&lock_);
  return blockCounter_;
}

void SoundOutput::Lock() { EnterCriticalSection(&lock_); }

void SoundOutput::Unlock() { LeaveCriticalSection(&lock_); }

int32_t SoundOutput::BlockCount() {
  CriticalSectionLock guard(&lock_);
  return blockCount_;
}

int32_t SoundOutput::BlockSize() {
  CriticalSectionLock guard(&lock_);
  return blockSize_;
}

int32_t SoundOutput::WriteIndex() {
  CriticalSectionLock guard(&lock_);
  return writeIndex_;
}

int32_t SoundOutput::NotifiedIndex() { return notifiedIndex_.load(); }

IDirectSoundBuffer* SoundOutput::Buffer() {
  CriticalSectionLock guard(&lock_);
  return secondary_;
}

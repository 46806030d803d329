#include "engine/player.h"

#include "decode/decoder_holder.h"
#include "engine/audio_threads.h"
#include "engine/pacing_rules.h"
#include "engine/player_threads.h"
#include "engine/ring_sizing.h"
#include "platform/critical_section_lock.h"
#include "platform/show_message.h"
#include "playlist/playlist.h"
#include "settings/options.h"
#include "settings/shared_options.h"
#include "subtitles/subtitle_track.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

Player* g_player = nullptr;

namespace {

constexpr size_t kFileNameSize = 1024;
constexpr int32_t kPrefillChecks = 200;   // 20 seconds
constexpr uint32_t kPrefillCheckSleep = 100;

}  // namespace

Player::Player(const PlaybackPorts& ports) : ports_(ports) {}

Player::Player(PlaybackPorts (*portsSource)()) : portsSource_(portsSource) {}

Player::~Player() { Close(); }

void Player::ResolvePorts() {
  if (portsSource_ != nullptr) ports_ = portsSource_();
}

bool Player::Open() {
  ResolvePorts();
  char path[Playlist::kItemBufferSize] = "";
  if (g_playlist != nullptr) g_playlist->Item(ports_.shell->currentIndex, path, sizeof path);
  return OpenFile(path);
}

bool Player::OpenWithSubtitles() {
  const bool opened = Open();
  if (opened && g_options.subtitlesAutoLoad && IsOpen()) LoadSubtitlesBeside(fileName_.get());
  return opened;
}

bool Player::OpenFile(const char* path) {
  ResolvePorts();
  Close();
  record_.displacement.store(0, std::memory_order_relaxed);
  fileName_.reset(new char[kFileNameSize]);
  std::snprintf(fileName_.get(), kFileNameSize, "%s", path != nullptr ? path : "");
  record_.state.store(kOpening, std::memory_order_relaxed);
  ports_.host->ShowFileTitle(fileName_.get());
  ports_.host->Repaint();
  if (!ports_.decoders->Open(fileName_.get())) {
    record_.state.store(kClosed, std::memory_order_relaxed);
    Close();
    return false;
  }
  DescribeVideo();
  ports_.host->WindowSize(&windowWidth_, &windowHeight_);
  record_.state.store(kPaused, std::memory_order_relaxed);
  record_.droppedFrames.store(0, std::memory_order_relaxed);
  record_.shownFrames.store(0, std::memory_order_relaxed);
  ports_.host->FitWindowToVideo();
  ports_.host->SaveAndDisableSystemSettings(&savedSettings_);
  SizeRings();
  OpenSound();
  record_.currentFrame.store(ports_.shell->resumePosition, std::memory_order_relaxed);
  ports_.shell->resumePosition = 0;
  record_.ready.store(1, std::memory_order_relaxed);
  record_.feederOffset = 0;
  if (!Start()) {
    Close();  // without its threads the file would never play
    return false;
  }
  return true;
}

bool Player::DescribeVideo() {
  uint8_t hasIndex = 0;
  ports_.decoders->HasIndex(&hasIndex);
  seekable_ = hasIndex != 0 ? 1 : 0;
  int32_t width = 0, height = 0, frames = 0, rate = 0, scale = 0;
  ports_.decoders->GetVideoSummary(&width, &height, &frames, &rate, &scale, nullptr);
  record_.width = std::max(width, 0);
  record_.height = std::max(height, 0);
  record_.frameCount = std::max(frames, 0);
  record_.dataEnd.store(record_.frameCount, std::memory_order_relaxed);
  record_.rate = rate;
  record_.scale = scale;
  record_.stride = FrameStride(record_.width);
  const int64_t frameSize = int64_t{record_.height} * record_.stride;
  record_.frameSize = frameSize > 0x7FFFFFFF ? 0 : static_cast<int32_t>(frameSize);
  return record_.frameSize > 0;
}

void Player::SizeRings() {
  const uint64_t budget = FrameBudget(ports_.host->AvailableMemory(), g_options.frameBufferSize);
  const uint32_t frameBytes = static_cast<uint32_t>(record_.frameSize);
  record_.frameRing.Allocate(frameBytes, FrameRingCapacity(budget, frameBytes));
}

void Player::OpenSound() {
  record_.soundPlays = 0;
  if (!ports_.decoders->AudioPlays()) return;
  uint8_t stereo = 0, sixteenBit = 0;
  int32_t sampleRate = 0, blockLength = 0, blockBytes = 0;
  ports_.decoders->AudioFormat(&stereo, &sixteenBit, &sampleRate, &blockLength, &blockBytes);
  record_.soundBufferBlocks = SoundBufferBlocks(sampleRate, blockLength);
  const uint32_t elementBytes = static_cast<uint32_t>(std::max(blockBytes, 1));
  const int32_t blocks =
      BlockRingCapacity(record_.scale, sampleRate, record_.frameRing.Capacity(), record_.rate,
                        blockLength, record_.soundBufferBlocks);
  record_.blockRing.Allocate(elementBytes,
                             BoundedBlockRing(blocks, elementBytes, record_.soundBufferBlocks));
  if (!ports_.sound->Open(ports_.host->MainWindow(), sampleRate, stereo != 0, sixteenBit != 0,
                          blockLength, record_.soundBufferBlocks)) {
    ShowMessage(ports_.host->MainWindow(), "Can't init DirectSound for playing audio.",
                "DirectSound troubles", MB_ICONHAND);
    ports_.decoders->DropAudio();
    record_.blockRing.Free();
    return;
  }
  record_.stereo = stereo;
  record_.sixteenBit = sixteenBit;
  record_.sampleRate = sampleRate;
  record_.blockLength = blockLength;
  record_.blockBytes = blockBytes;
  record_.soundPlays = 1;
}

bool Player::LoadSubtitlesBeside(const char* videoPath) {
  if (ports_.subtitles == nullptr) return false;
  const char* dot = std::strrchr(videoPath, '.');
  if (dot == nullptr) return false;
  const size_t stem = static_cast<size_t>(dot - videoPath);
  for (const char* extension : {".sub", ".srt", ".ass", ".ssa"}) {
    std::string path(videoPath, stem);
    path += extension;
    if (ports_.subtitles->LoadSubtitles(path.c_str(), static_cast<uint32_t>(record_.rate),
                                        static_cast<uint32_t>(record_.scale), record_.width,
                                        record_.height, g_options.subtitleFont.lfCharSet)) {
      return true;
    }
  }
  return false;
}

bool Player::Start() {
  StopThreads();
  PublishOptions();  // the threads start with the options as they are now
  {
    CriticalSectionLock lock(&record_.lock);
    record_.targetFrame.store(0, std::memory_order_relaxed);
    record_.blockRing.Clear();
    clock_.reset(new PlaybackClock(ports_.time));
    clock_->Create(record_.rate, record_.scale);
    record_.endOfVideo.store(0, std::memory_order_relaxed);
  }
  if (record_.soundPlays) {
    ports_.sound->SetBlockCounter(0);
    ports_.sound->ResyncWriteIndex();
    {
      CriticalSectionLock lock(&record_.lock);
      record_.startBlock =
          StartBlockForFrame(record_.currentFrame.load(std::memory_order_relaxed), record_.scale,
                             record_.sampleRate, record_.blockLength, record_.rate);
      if (!CreateThread(&audioFeeder_, AudioFeederRoutine, THREAD_PRIORITY_NORMAL)) return false;
    }
    WaitForPrefillBlocks();
    Prefill();
  }
  bool started = false;
  {
    CriticalSectionLock lock(&record_.lock);
    started = CreateThread(&videoFeeder_, VideoFeederRoutine, THREAD_PRIORITY_BELOW_NORMAL) &&
              CreateThread(&videoThread_, VideoThreadRoutine, THREAD_PRIORITY_NORMAL) &&
              (!record_.soundPlays ||
               CreateThread(&audioOutput_, AudioOutputRoutine, THREAD_PRIORITY_HIGHEST));
  }
  if (!started) StopThreads();  // outside the lock: the threads that did start take it
  return started;
}

bool Player::CreateThread(std::unique_ptr<WorkerThread>* slot, WorkerThread::Routine routine,
                          int priority) {
  slot->reset(new (std::nothrow) WorkerThread);
  if (*slot == nullptr || !(*slot)->Create(routine, this)) return false;
  (*slot)->SetPriority(priority);
  return true;
}

bool Player::WaitForPrefillBlocks() {
  for (int32_t check = 0; check < kPrefillChecks; ++check) {
    if (record_.blockRing.Count() >= record_.soundBufferBlocks) return true;
    ports_.time->Sleep(kPrefillCheckSleep);
  }
  return false;  // plays anyway: missing blocks are silence
}

// Fills the whole sound buffer before it starts; these blocks are not counted.
void Player::Prefill() {
  SoundPort* sound = ports_.sound;
  sound->Lock();
  {
    CriticalSectionLock lock(&record_.lock);
    const bool sixteenBit = record_.sixteenBit != 0;
    const int32_t frameBytes = (record_.stereo ? 2 : 1) * (sixteenBit ? 2 : 1);
    for (int32_t i = 0; i < record_.soundBufferBlocks; ++i) {
      uint8_t* block = nullptr;
      int32_t frames = 0;
      if (!sound->LockNextBlock(&block, &frames) || block == nullptr) continue;
      const int32_t lockedBytes = frames * frameBytes;
      uint8_t flag = 0;
      uint8_t* element = record_.blockRing.ReadSlot(&flag);
      if (element == nullptr || flag == 0) {
        FillSilence(block, lockedBytes, sixteenBit);
      } else {
        ports_.effects.applyAudioFilters(element, record_.stereo != 0, sixteenBit,
                                         record_.blockLength);
        std::memcpy(block, element, static_cast<size_t>(std::min(record_.blockBytes, lockedBytes)));
      }
      if (element != nullptr) record_.blockRing.Release();
      sound->UnlockBlock();
    }
  }
  sound->Unlock();
}

void Player::StopThreads() {
  if (ports_.sound != nullptr) ports_.sound->SetPlaying(false);
  for (std::unique_ptr<WorkerThread>* thread :
       {&videoThread_, &audioOutput_, &audioFeeder_, &videoFeeder_}) {
    if (*thread == nullptr) continue;
    (*thread)->SetPriority(THREAD_PRIORITY_NORMAL);
    (*thread)->Stop();
    // Threads still starting read the thread pointers under the player lock.
    CriticalSectionLock lock(&record_.lock);
    thread->reset();
  }
  CriticalSectionLock lock(&record_.lock);
  clock_.reset();
}

void Player::Play() {
  if (IsOpen()) record_.state.store(kPlaying, std::memory_order_relaxed);
}

void Player::Pause() {
  if (State() == kPlaying) record_.state.store(kPaused, std::memory_order_relaxed);
}

bool Player::Seek(int32_t frame) {
  if (!IsOpen() || frame < 0 || frame >= record_.frameCount) return false;
  if (!seekable_ && frame != 0) return false;
  StopThreads();
  record_.currentFrame.store(ports_.decoders->PreviousKeyframe(frame), std::memory_order_relaxed);
  record_.frameRing.Clear();
  record_.feederOffset = 0;
  if (!Start()) {
    Close();
    return false;
  }
  return true;
}

void Player::Close() {
  if (IsOpen()) {
    StopThreads();
    ports_.sound->Close();
    record_.frameRing.Free();
    record_.blockRing.Free();
    record_.soundPlays = 0;
    record_.state.store(kClosed, std::memory_order_relaxed);
    ports_.picture->Shutdown();
    ports_.decoders->Release();
    if (ports_.subtitles != nullptr) ports_.subtitles->UnloadSubtitles();
    if (ports_.shell->windowActive.load() != 0) {
      if (ports_.shell->fullscreenRequested.load(std::memory_order_relaxed) != 0) {
        ports_.host->LeaveFullscreen();
      }
      ports_.host->RestoreWindowSize(windowWidth_, windowHeight_);
    }
    ports_.host->RestoreSystemSettings(savedSettings_);
  }
  record_.droppedFrames.store(0, std::memory_order_relaxed);
  record_.shownFrames.store(0, std::memory_order_relaxed);
  record_.frameCount = 0;
  record_.currentFrame.store(0, std::memory_order_relaxed);
  if (ports_.host != nullptr) ports_.host->ShowDefaultTitle();
  fileName_.reset();
}

void Player::ShowDecoderPage(HWND parent, bool video) {
  if (!IsOpen()) return;
  record_.ready.store(0, std::memory_order_relaxed);
  const bool changed = video ? ports_.decoders->ShowVideoDecoderPages(parent)
                             : ports_.decoders->ShowAudioDecoderPages(parent);
  record_.ready.store(1, std::memory_order_relaxed);
  if (changed) Seek(CurrentFrame());
}

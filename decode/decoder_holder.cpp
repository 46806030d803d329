#include "decode/decoder_holder.h"

#include "settings/options.h"
#include "platform/show_message.h"

#ifdef _WIN32
#include <objbase.h>
#endif

DecoderHolder* g_decoderHolder = nullptr;

namespace {

// Installed by the Windows build (the DirectShow decoder) or by tests.
DecoderHolder::OpenFunction g_openFunction = nullptr;

// The owner of the "Opening troubles" box (the main window lives in the
// Windows shell, which the portable core does not link).
DecoderHolder::OwnerFunction g_ownerFunction = nullptr;

HWND MessageOwner() { return g_ownerFunction != nullptr ? g_ownerFunction() : nullptr; }

void InitializeCom() {
#ifdef _WIN32
  CoInitialize(nullptr);
#endif
}

void UninitializeCom() {
#ifdef _WIN32
  CoUninitialize();
#endif
}

}  // namespace

DecoderHolder::DecoderHolder() = default;

DecoderHolder::~DecoderHolder() { Release(); }

DecoderHolder::OpenFunction DecoderHolder::SetOpenFunction(OpenFunction function) {
  OpenFunction previous = g_openFunction;
  g_openFunction = function;
  return previous;
}

DecoderHolder::OwnerFunction DecoderHolder::SetOwnerFunction(OwnerFunction function) {
  OwnerFunction previous = g_ownerFunction;
  g_ownerFunction = function;
  return previous;
}

bool DecoderHolder::Open(const char* fileName) {
  Release();
  std::string messages;
  bool opened = false;
  InitializeCom();
  decoder_ = g_openFunction != nullptr ? g_openFunction(fileName, &messages, &opened) : nullptr;
  if (decoder_ == nullptr) {
    UninitializeCom();  // nothing to pair the initialisation with
    opened = false;
  } else if (!opened) {
    Release();
  }
  if (!messages.empty()) {
    if (messages.size() > kMessageCapacity - 1) messages.resize(kMessageCapacity - 1);
    messages.pop_back();  // the final line feed
    ShowMessage(MessageOwner(), messages.c_str(), "Opening troubles", MB_OK | MB_ICONSTOP);
  }
  return opened;
}

void DecoderHolder::Release() {
  if (decoder_ == nullptr) return;
  delete decoder_;
  decoder_ = nullptr;
  UninitializeCom();
}

bool DecoderHolder::AudioPlays() {
  return decoder_ != nullptr && decoder_->IsAudioOpen() && g_options.disableAudio == 0;
}

bool DecoderHolder::AudioFormat(uint8_t* stereo, uint8_t* sixteenBit, int32_t* samplesPerSecond,
                                int32_t* samplesPerBlock, int32_t* bytesPerBlock) {
  if (decoder_ == nullptr || !decoder_->IsAudioOpen()) return false;
  uint8_t isStereo = 0;
  uint8_t isSixteenBit = 0;
  int32_t rate = 0;
  int32_t perBlock = 0;
  decoder_->GetAudioOutputFormat(&isStereo, &isSixteenBit, &rate, &perBlock);
  if (stereo != nullptr) *stereo = isStereo;
  if (sixteenBit != nullptr) *sixteenBit = isSixteenBit;
  if (samplesPerSecond != nullptr) *samplesPerSecond = rate;
  if (samplesPerBlock != nullptr) *samplesPerBlock = perBlock;
  if (bytesPerBlock != nullptr) *bytesPerBlock = perBlock * (isSixteenBit ? 2 : 1) * (isStereo ? 2 : 1);
  return true;
}

bool DecoderHolder::IsVideoOpen() { return decoder_ != nullptr && decoder_->IsVideoOpen(); }

bool DecoderHolder::IsAudioOpen() { return decoder_ != nullptr && decoder_->IsAudioOpen(); }

void DecoderHolder::DescribeVideoDecoders(char* text, size_t capacity) {
  if (decoder_ != nullptr) {
    decoder_->DescribeVideoDecoders(text, capacity);
  } else if (text != nullptr && capacity > 0) {
    text[0] = '\0';
  }
}

void DecoderHolder::DescribeAudioDecoders(char* text, size_t capacity) {
  if (decoder_ != nullptr) {
    decoder_->DescribeAudioDecoders(text, capacity);
  } else if (text != nullptr && capacity > 0) {
    text[0] = '\0';
  }
}

void DecoderHolder::GetVideoInfo(int32_t* width, int32_t* height, int32_t* frameCount,
                                 int32_t* rate, int32_t* scale, int32_t* bitCount, int32_t* planes,
                                 int32_t* sampleSize, uint32_t* totalBytes) {
  if (decoder_ != nullptr) {
    decoder_->GetVideoInfo(width, height, frameCount, rate, scale, bitCount, planes, sampleSize,
                           totalBytes);
  }
}

void DecoderHolder::GetVideoSummary(int32_t* width, int32_t* height, int32_t* frameCount,
                                    int32_t* rate, int32_t* scale, int32_t* codecGivesRgb) {
  if (decoder_ != nullptr) decoder_->GetVideoSummary(width, height, frameCount, rate, scale, codecGivesRgb);
}

bool DecoderHolder::ReadVideoFrame(uint8_t* destination, int32_t frame) {
  return decoder_ != nullptr && decoder_->ReadVideoFrame(destination, frame);
}

int32_t DecoderHolder::PreviousKeyframe(int32_t frame) {
  return decoder_ != nullptr ? decoder_->PreviousKeyframe(frame) : 0;
}

int32_t DecoderHolder::NextKeyframe(int32_t frame) {
  return decoder_ != nullptr ? decoder_->NextKeyframe(frame) : 0;
}

bool DecoderHolder::ShowVideoDecoderPages(HWND parent) {
  return decoder_ != nullptr && decoder_->ShowVideoDecoderPages(parent);
}

bool DecoderHolder::ShowAudioDecoderPages(HWND parent) {
  return decoder_ != nullptr && decoder_->ShowAudioDecoderPages(parent);
}

void DecoderHolder::GetAudioInfo(int32_t* channels, int32_t* bitsPerSample,
                                 int32_t* samplesPerSecond, int32_t* sampleSize,
                                 uint32_t* totalBytes, int32_t* totalSamples) {
  if (decoder_ != nullptr) {
    decoder_->GetAudioInfo(channels, bitsPerSample, samplesPerSecond, sampleSize, totalBytes,
                           totalSamples);
  }
}

void DecoderHolder::GetAudioOutputFormat(uint8_t* stereo, uint8_t* sixteenBit,
                                         int32_t* samplesPerSecond, int32_t* samplesPerBlock) {
  if (decoder_ != nullptr) decoder_->GetAudioOutputFormat(stereo, sixteenBit, samplesPerSecond, samplesPerBlock);
}

bool DecoderHolder::ReadAudioBlock(uint8_t* destination, int32_t block) {
  return decoder_ != nullptr && decoder_->ReadAudioBlock(destination, block);
}

void DecoderHolder::DropAudio() {
  if (decoder_ != nullptr) decoder_->DropAudio();
}

void DecoderHolder::HasIndex(uint8_t* flag) {
  if (decoder_ != nullptr) decoder_->HasIndex(flag);
}

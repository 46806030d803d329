// ReadAudioBlock: pushes compressed sound into the graph, on the calling
// thread, until the grabber has filled the caller's block.
#include "decode/direct_show_decoder.h"

#include "decode/avi_splitter_filter.h"
#include "decode/dest_audio_pin.h"
#include "decode/sample_grabber_filter.h"
#include "decode/source_audio_pin.h"
#include "media/avi_file.h"
#include "platform/critical_section_lock.h"

#include <algorithm>

bool DirectShowDecoder::ReadAudioBlock(uint8_t* destination, int32_t block) {
  CriticalSectionLock hold(&context_.audioLock);
  if (!audioOpen_ || destination == nullptr) return false;
  const AudioOutputFormat& output = context_.audioOutput;
  if (autoSync_ && autoSync_() && block == context_.nextBlock &&
      IsDriftCheckBlock(block, context_.AudioFormat()->nSamplesPerSec, output.samplesPerBlock) &&
      CheckAudioDrift()) {
    context_.nextBlock = -1;  // forces the repositioning below
  }
  if (block != context_.nextBlock) {
    RepositionAudio(block);
    if (grabber_->AudioInput() != nullptr) grabber_->AudioInput()->RestartConversion();
  }

  context_.bytesWanted = output.outputBytesPerBlock;
  context_.writePointer = destination;
  bool ok = true;
  while (context_.bytesWanted > 0 && ok) {
    context_.DrainReceivedSample();
    context_.DrainOverflow();
    if (context_.bytesWanted > 0) ok = DeliverAudioUnits();
  }
  if (ok) ++context_.nextBlock;
  // Sound a decompressor hands over later, from a thread of its own, must not
  // land in this block after the caller has it back: it goes to the overflow.
  context_.writePointer = nullptr;
  context_.bytesWanted = 0;
  return ok;
}

// True when what was decoded and what was read from the stream are more
// than 200 ms apart.
bool DirectShowDecoder::CheckAudioDrift() {
  const int64_t buffered = static_cast<int64_t>(context_.overflow.fill) - context_.overflow.readPosition -
                           context_.receivedReadPosition + context_.receivedLength;
  const int64_t decoded = DecodedMilliseconds(buffered, context_.bytesPerOutputFrame,
                                              context_.samplesProduced,
                                              context_.audioOutput.outputSamplesPerSecond);
  const int64_t source = SourceMilliseconds(context_.audioPosition, context_.audio.scale,
                                            context_.audio.rate);
  const int64_t drift = decoded > source ? decoded - source : source - decoded;
  return drift > kMaxDriftMilliseconds;
}

// Discards all sound held and starts the stream where the block's sound is.
void DirectShowDecoder::RepositionAudio(int32_t block) {
  const AudioOutputFormat& output = context_.audioOutput;
  context_.overflow.readPosition = 0;
  context_.overflow.fill = 0;
  context_.receivedReadPosition = 0;
  context_.receivedLength = 0;
  context_.samplesProduced = static_cast<int64_t>(block) * output.outputSamplesPerBlock;
  context_.nextBlock = block;
  context_.audioPosition = AudioStreamPosition(block, output.samplesPerBlock, context_.audio.rate,
                                               context_.AudioFormat()->nSamplesPerSec,
                                               context_.audio.scale);
}

// Reads the next units of the stream into a sample and delivers it; the
// grabber's audio pin copies the decoded sound into the block (or keeps it
// in the overflow buffer) before Deliver returns.
bool DirectShowDecoder::DeliverAudioUnits() {
  context_.overflow.readPosition = 0;
  context_.overflow.fill = 0;
  SourcePin* pin = source_->AudioOutput();
  IMemAllocator* allocator = pin != nullptr ? pin->Allocator() : nullptr;
  if (allocator == nullptr) return false;
  for (bool grown = false;; grown = true) {
    // Nothing else on this thread could free a buffer: waiting for one would
    // wait forever, so a decompressor that keeps every buffer ends the read.
    IMediaSample* raw = nullptr;
    if (FAILED(allocator->GetBuffer(&raw, nullptr, nullptr, AM_GBF_NOWAIT))) return false;
    ComPtr<IMediaSample> sample(raw);
    BYTE* buffer = nullptr;
    if (FAILED(sample->GetPointer(&buffer)) || buffer == nullptr) return false;
    int32_t count = context_.unitsPerRead;
    uint32_t bytes = static_cast<uint32_t>(std::max<LONG>(sample->GetSize(), 0));
    if (file_->ReadAudio(buffer, context_.audioPosition, &count, &bytes)) {
      return DeliverAudioSample(sample.Get(), bytes, count);
    }
    // A chunk larger than the header's buffer size: the buffers are made
    // again at its size, once.
    sample.Reset();
    if (bytes == 0 || grown || !pin->GrowBuffers(bytes)) return false;
  }
}

bool DirectShowDecoder::DeliverAudioSample(IMediaSample* sample, uint32_t bytes, int32_t count) {
  SourcePin* pin = source_->AudioOutput();
  sample->SetPreroll(FALSE);
  sample->SetActualDataLength(static_cast<LONG>(bytes));
  sample->SetSyncPoint(TRUE);
  if (pin->Deliver(sample) != S_OK) return false;
  context_.audioPosition += count;
  return true;
}

// Compiled into every program that links the Windows library (an interface
// source of velmora_win), so that the holder opens files with the
// DirectShow decoder from the start without the portable core knowing it.
#include "decode/decoder_holder.h"
#include "decode/direct_show_open_function.h"

namespace {

const DecoderHolder::OpenFunction g_previous = DecoderHolder::SetOpenFunction(&OpenDirectShowDecoder);

}  // namespace

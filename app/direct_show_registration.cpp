// Compiled into every program that links the Windows library (an interface
// source of velmora_win), so that the holder opens files with the
// DirectShow decoder from the start and shows its messages over the main
// window, without the portable core knowing either.
#include "app/shell.h"
#include "decode/decoder_holder.h"
#include "app/direct_show_open_function.h"

namespace {

HWND MainWindow() { return g_mainWindow; }

const bool g_registered = (DecoderHolder::SetOpenFunction(&OpenDirectShowDecoder),
                           DecoderHolder::SetOwnerFunction(&MainWindow), true);

}  // namespace

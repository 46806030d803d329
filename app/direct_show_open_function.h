// The holder's open function in the Windows build: a DirectShowDecoder
// opened with the settings of the options record.
#pragma once

#include "decode/decoder.h"
#include "decode/direct_show_decoder.h"

#include <string>

struct Options;

// The Open settings that the options record asks for.
DecoderOpenSettings OpenSettingsFromOptions(const Options& options);

Decoder* OpenDirectShowDecoder(const char* fileName, std::string* messages, bool* opened);

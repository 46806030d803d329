// The options as the playback threads see them.
//
// g_options belongs to the user-interface thread: commands change its fields
// in place. After a change the window's thread calls PublishOptions, and the
// playback threads read PublishedOptions, a copy taken under a lock at a
// defined point of their loops (the video thread once a pass, the audio output
// thread once a block). So no thread ever reads a field of g_options while the
// window's thread writes it.
#pragma once

#include "settings/options.h"

// Copies g_options for the playback threads (user-interface thread).
void PublishOptions();

// The record as last published (any thread).
Options PublishedOptions();

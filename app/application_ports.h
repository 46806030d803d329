// The engine's ports as the program fills them: the process-wide sound
// output, presenter and decoder holder, the main window, the system clock,
// the application record's signals and the program's filters.
#pragma once

#include "engine/playback_ports.h"

// The program's filters, reading the published options at each call.
FrameEffects ProgramEffects();

// The application's objects (Windows build): g_soundOutput, g_presenter,
// g_decoderHolder, the main window and the system clock.
PlaybackPorts ApplicationPorts();
// The main window and the system settings (Windows build).
PlaybackHost* WindowsHost();

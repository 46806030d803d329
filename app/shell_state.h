// Small rules over the application record that the window procedure, the
// mouse handlers and the commands share: the fullscreen cursor countdown,
// the play list selection and the colour balance values. Portable.
#pragma once

#include <cstdint>

// Fullscreen with a file open: the cursor stays for two seconds of frames.
void RearmCursorTimer();

// After a dialog or menu: the cursor countdown ends and the next two mouse
// moves are ignored.
void SettleAfterModal();

// Brings the current index into 0 .. entry count - 1.
void ClampSelection();

// The options field the balance bar names (volume, brightness, saturation or
// contrast), after bringing the balance target into 0..3.
int32_t* CurrentBalanceValue();

// Sets the named balance value within 0..100, publishes it to the playback
// threads and asks the video thread to show the bar.
void SetBalanceValue(int32_t value);

// Moves the named balance value by delta within 0..100, as SetBalanceValue.
// Without the bar on screen the volume is named.
void AdjustBalanceValue(int32_t delta);

// Maps a client point into video pixels of the open file (false when it is
// not on the picture).
bool HitTestVideo(int32_t x, int32_t y, int32_t* videoX, int32_t* videoY);

// The balance bar's four signs: x 32-63 contrast, 64-95 volume, 96-127
// brightness, 128-159 saturation.
int32_t BalanceTargetAt(int32_t videoX);

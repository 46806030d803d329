// The guards around options that the open file depends on (Windows only):
// some may change only while nothing plays, others need the file closed and
// opened again at the same frame.
#pragma once

// True when the player is closed; otherwise shows the "Restriction" message
// and returns false.
bool RefuseWhilePlaying();

// Closes the open file, remembering its frame and whether it was paused.
// False (with the index message) when the file has no index, since it could
// not be found again at that frame.
bool StopForOptionChange();

// Opens the file closed by StopForOptionChange again at its frame, playing
// or paused as it was; does nothing when no file was open.
void ResumeAfterOptionChange();

// The routines of the player's four playback threads. Each takes the Player
// as its argument, copies what it needs under the player lock (the player
// holds the lock while it creates the threads), then runs its loop until its
// thread object is stopped.
#pragma once

#include "platform/win32.h"

DWORD WINAPI VideoFeederRoutine(LPVOID player);
DWORD WINAPI VideoThreadRoutine(LPVOID player);
DWORD WINAPI AudioFeederRoutine(LPVOID player);
DWORD WINAPI AudioOutputRoutine(LPVOID player);

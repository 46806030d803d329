#include "engine/playback_stream.h"

PlaybackStream::PlaybackStream() { InitializeCriticalSection(&lock); }

PlaybackStream::~PlaybackStream() { DeleteCriticalSection(&lock); }

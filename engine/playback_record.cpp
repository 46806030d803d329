#include "engine/playback_record.h"

PlaybackRecord::PlaybackRecord() { InitializeCriticalSection(&lock); }

PlaybackRecord::~PlaybackRecord() { DeleteCriticalSection(&lock); }

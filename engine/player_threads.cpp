#include "engine/player_threads.h"

#include "decode/decoder_holder.h"
#include "engine/audio_threads.h"
#include "engine/player.h"
#include "engine/video_feeder.h"
#include "engine/video_thread.h"

// Builds the thread's view of the player under the player lock.
class PlayerThreads {
 public:
  static PlaybackContext ContextOf(Player* player) {
    PlaybackRecord& record = player->record_;
    EnterCriticalSection(&record.lock);
    PlaybackContext context;
    context.record = &record;
    context.ports = player->ports_;
    context.decoder = player->ports_.decoders->Current();
    context.clock = player->clock_.get();
    context.videoThread = player->videoThread_.get();
    context.videoFeeder = player->videoFeeder_.get();
    context.audioFeeder = player->audioFeeder_.get();
    context.audioOutput = player->audioOutput_.get();
    LeaveCriticalSection(&record.lock);
    return context;
  }
};

DWORD WINAPI VideoFeederRoutine(LPVOID player) {
  VideoFeeder feeder(PlayerThreads::ContextOf(static_cast<Player*>(player)));
  feeder.Run();
  return 0;
}

DWORD WINAPI VideoThreadRoutine(LPVOID player) {
  VideoThread thread(PlayerThreads::ContextOf(static_cast<Player*>(player)));
  thread.Run();
  return 0;
}

DWORD WINAPI AudioFeederRoutine(LPVOID player) {
  AudioFeeder feeder(PlayerThreads::ContextOf(static_cast<Player*>(player)));
  feeder.Run();
  return 0;
}

DWORD WINAPI AudioOutputRoutine(LPVOID player) {
  AudioOutputThread output(PlayerThreads::ContextOf(static_cast<Player*>(player)));
  output.Run();
  return 0;
}

#include "app/startup.h"

#include "app/application.h"
#include "app/application_ports.h"
#include "app/main_window.h"
#include "app/options_registry.h"
#include "app/pictures.h"
#include "app/playback_tally.h"
#include "app/resource.h"
#include "app/shell.h"
#include "app/single_instance.h"
#include "audio/sound_output.h"
#include "decode/decoder_holder.h"
#include "engine/player.h"
#include "playlist/playlist.h"
#include "subtitles/gdi_subtitle_rasterizer.h"
#include "subtitles/subtitle_track.h"
#include "video/video_presenter.h"

#include <ddraw.h>

#include <cstdio>
#include <memory>

IDirectDraw* g_directDraw = nullptr;

namespace {

void CreateDirectDraw() {
  if (DirectDrawCreate(nullptr, &g_directDraw, nullptr) != DD_OK) {
    g_directDraw = nullptr;  // no display-mode changes and no mode list
    return;
  }
  // The window does not exist yet, so no window is named.
  g_directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
}

void CreateSubsystems() {
  g_player = new Player(ApplicationPorts);
  g_presenter = new VideoPresenter();
  g_soundOutput = new SoundOutput();
  g_decoderHolder = new DecoderHolder();
  g_subtitleTrack = new SubtitleTrack(std::make_unique<GdiSubtitleRasterizer>());
  g_playlist = new Playlist();
}

void DestroySubsystems() {
  delete g_subtitleTrack;
  g_subtitleTrack = nullptr;
  delete g_player;  // closes the file first
  g_player = nullptr;
  delete g_decoderHolder;
  g_decoderHolder = nullptr;
  delete g_presenter;
  g_presenter = nullptr;
  delete g_soundOutput;
  g_soundOutput = nullptr;
  delete g_playlist;
  g_playlist = nullptr;
}

void PostFirstCommand() {
  if (g_playlist->IsEmpty()) {
    Repaint();
    return;
  }
  PostMessageA(g_mainWindow, WM_COMMAND, IDM_PLAY_PAUSE, 0);
  if (g_options.fullscreenAsDefault) PostMessageA(g_mainWindow, WM_COMMAND, IDM_FULLSCREEN, 0);
}

}  // namespace

bool StartShell(HINSTANCE instance, const char* commandLine, int showCommand) {
  FormatDefaultTitle();
  CreateDirectDraw();
  CreateSubsystems();
  if (commandLine != nullptr && commandLine[0] != '\0') {
    g_playlist->AddEntry(commandLine, Playlist::kNestingDepth);
  }
  LoadPictures(instance);
  RegisterMainClass(instance);
  if (CreateMainWindow(instance, showCommand) == nullptr) return false;
  g_accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  g_app.mainMenu = GetMenu(g_mainWindow);
  InstallContextStrip(instance);
  PostFirstCommand();
  return true;
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

void ShutdownShell() {
  DestroyPictures();
  SaveOptions(&g_options);
  ClosePlayer();  // counted for the report before the player goes
  DestroySubsystems();
  if (g_directDraw != nullptr) g_directDraw->Release();
  g_directDraw = nullptr;
}

void ReportPlayback() {
  char tally[256];
  FormatTally(CurrentTally(), tally, sizeof tally);
  char line[300];
  std::snprintf(line, sizeof line, "Velmora Player played: %s\n", tally);
  OutputDebugStringA(line);
}

int RunVelmora(HINSTANCE instance, const char* commandLine, int showCommand) {
  LoadOptions(&g_options);  // its first-run notice appears before any window
  HWND running = FindWindowA(kMainClassName, nullptr);
  if (running != nullptr) {
    HandOverToRunningInstance(running, commandLine);
    return 0;
  }
  StartShell(instance, commandLine, showCommand);
  const int code = RunMessageLoop();
  ShutdownShell();
  ReportPlayback();
  return code;
}

// The Realtime Statistics window: what the presenter, the rings and the sound
// are doing, refreshed ten times a second while the user goes on playing.
// The counters it reads are written by the playback threads without a lock;
// a value one refresh old is harmless here.
#include "app/dialog_entry_points.h"

#include "app/application.h"
#include "app/resource.h"
#include "app/shell.h"
#include "app/shell_state.h"
#include "decode/decoder_holder.h"
#include "engine/player.h"
#include "platform/cpu_features.h"
#include "settings/options.h"
#include "video/video_presenter.h"
#include "video/video_presenter_modes.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr UINT_PTR kTimerId = 0;
constexpr UINT kRefreshMilliseconds = 100;
constexpr int kFieldCapacity = 256;

// Rewrites a field only when its text changed, so that it does not flicker.
void UpdateIfChanged(HWND dialog, int item, const char* text) {
  char shown[kFieldCapacity + 1] = {};
  GetDlgItemTextA(dialog, item, shown, kFieldCapacity);
  if (std::strcmp(shown, text) != 0) SetDlgItemTextA(dialog, item, text);
}

int32_t PresenterMode(bool* doubleBuffered) {
  int32_t mode = 0;
  *doubleBuffered = false;
  if (g_presenter != nullptr) g_presenter->GetMode(&mode, doubleBuffered);
  return mode;
}

std::string VideoModeText() {
  bool doubleBuffered = false;
  std::string text = PresentModeName(PresenterMode(&doubleBuffered));
  if (doubleBuffered) text += " Double Buffering";
  return text;
}

std::string RingText(SampleRing& ring, const char* unit) {
  const int32_t capacity = ring.Capacity();
  if (capacity <= 0) return "Disabled";
  char text[64];
  std::snprintf(text, sizeof text, "%i/%i %s", ring.Count(), capacity, unit);
  return text;
}

std::string AudioModeText() {
  if (!g_decoderHolder->IsAudioOpen()) return "Off";
  uint8_t stereo = 0, sixteenBit = 0;
  int32_t rate = 0, perBlock = 0;
  g_decoderHolder->GetAudioOutputFormat(&stereo, &sixteenBit, &rate, &perBlock);
  char text[64];
  std::snprintf(text, sizeof text, "%iHz %s%s", rate, sixteenBit ? "16Bit " : "8Bit ",
                stereo ? "Stereo" : "Mono");
  return text;
}

template <typename Flags>
bool AnySet(const Flags& flags) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&flags);
  for (size_t i = 0; i < sizeof flags; ++i) {
    if (bytes[i] != 0) return true;
  }
  return false;
}

// The notes that hold only while a file is paused or playing.
void AddOpenFileNotes(std::string* notes) {
  int32_t codecGivesRgb = 0;
  g_decoderHolder->GetVideoSummary(nullptr, nullptr, nullptr, nullptr, nullptr, &codecGivesRgb);
  bool doubleBuffered = false;
  const int32_t mode = PresenterMode(&doubleBuffered);
  if (g_options.safeVideoBackupMode && !codecGivesRgb) {
    *notes += "Frame backuping (safe video input mode)\r\n";
  }
  if (codecGivesRgb) *notes += "Software RGB->YUV Conversion (codec can't support YUV)\r\n";
  if (AnySet(g_options.videoFilters)) *notes += "Video Filter(s) using\r\n";
  if (mode >= 1 && mode <= 4) *notes += "Software YUV->RGB Conversion (can't setup YUV color)\r\n";
  if (mode == 1) *notes += "Software Resizing (can't setup overlays)\r\n";
}

std::string NotesText() {
  std::string notes;
  if (!HasMmx()) notes += "CPU Doesn't support MMX\r\n";
  const int32_t state = g_player->State();
  if (state == kPaused || state == kPlaying) AddOpenFileNotes(&notes);
  if (AnySet(g_options.audioFilters)) notes += "Audio Filter(s) using\r\n";
  const ColorBalance& balance = g_options.colorBalance;
  if (balance.brightness != 50 || balance.contrast != 50 || balance.saturation != 50) {
    notes += "Color Balance Filter using (press D)\r\n";
  }
  if (g_player->Displacement() != 0) notes += "Sound/Video Stream Time Displacement Using\r\n";
  return notes.empty() ? "No notes, fastest mode." : notes;
}

void Refresh(HWND dialog) {
  char dropped[16];
  std::snprintf(dropped, sizeof dropped, "%i", g_player->DroppedFrames());
  UpdateIfChanged(dialog, IDC_VIDEO_MODE, VideoModeText().c_str());
  UpdateIfChanged(dialog, IDC_FRAMES_DROPPED, dropped);
  UpdateIfChanged(dialog, IDC_VIDEO_BUFFER, RingText(g_player->FrameRing(), "Frames").c_str());
  const std::string blocks =
      g_decoderHolder->IsAudioOpen() ? RingText(g_player->BlockRing(), "Blocks") : "Disabled";
  UpdateIfChanged(dialog, IDC_AUDIO_BUFFER, blocks.c_str());
  UpdateIfChanged(dialog, IDC_AUDIO_MODE, AudioModeText().c_str());
  UpdateIfChanged(dialog, IDC_NOTES, NotesText().c_str());
}

// Beside the main window's top left corner, above every other window.
void PlaceBesideMainWindow(HWND dialog) {
  RECT main = {0, 0, 0, 0}, own = {0, 0, 0, 0};
  GetWindowRect(g_mainWindow, &main);
  GetWindowRect(dialog, &own);
  SetWindowPos(dialog, HWND_TOPMOST, main.left + 8, main.top + 8, own.right - own.left,
               own.bottom - own.top, 0);
}

INT_PTR CALLBACK StatisticsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      g_app.statisticsWindow = dialog;
      g_app.statisticsTimer = SetTimer(dialog, kTimerId, kRefreshMilliseconds, nullptr);
      PlaceBesideMainWindow(dialog);
      return TRUE;
    case WM_TIMER:
      Refresh(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return FALSE;
      KillTimer(dialog, kTimerId);
      g_app.statisticsTimer = 0;
      SettleAfterModal();
      EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowStatisticsDialog(HWND) {
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_STATISTICS), nullptr,
                  StatisticsProc, 0);
  g_app.statisticsWindow = nullptr;
}

#include "app/subtitle_commands.h"

#include "app/file_dialogs.h"
#include "app/main_window.h"
#include "app/resource.h"
#include "engine/player.h"
#include "platform/show_message.h"
#include "settings/options.h"
#include "settings/shared_options.h"
#include "subtitles/subtitle_track.h"

#include <commdlg.h>

#include <string>

namespace {

void OpenSubtitleFile(HWND window) {
  if (g_player->State() == kClosed) {
    ShowMessage(window, "Open Video File first", "Restriction", MB_ICONEXCLAMATION);
    return;
  }
  std::string path;
  path = RunFileDialog({false, false, kSubtitleFilter, "Open Subtitle file"});
  if (path.empty()) return;
  g_subtitleTrack->LoadSubtitles(path.c_str(), static_cast<uint32_t>(g_player->VideoRate()),
                                 static_cast<uint32_t>(g_player->VideoScale()),
                                 g_player->VideoWidth(), g_player->VideoHeight(),
                                 g_options.subtitleFont.lfCharSet);
}

// Flips an option the video thread reads, then has the band drawn again.
void ToggleLook(uint8_t* flag) {
  *flag = *flag == 0 ? 1 : 0;
  SyncMenuWithOptions();
  PublishOptions();
  g_subtitleTrack->SetDirty(true);
}

}  // namespace

bool HandleSubtitleCommand(HWND window, int id) {
  switch (id) {
    case IDM_SUBTITLES_OPEN:
      OpenSubtitleFile(window);
      return true;
    case IDM_SUBTITLES_CLOSE:
      g_subtitleTrack->UnloadSubtitles();
      return true;
    case IDM_SUBTITLES_AUTO_LOAD:
      g_options.subtitlesAutoLoad = g_options.subtitlesAutoLoad == 0 ? 1 : 0;
      SyncMenuWithOptions();
      return true;
    case IDM_SUBTITLES_TRANSPARENT:
      ToggleLook(&g_options.subtitlesTransparent);
      return true;
    case IDM_SUBTITLES_SHADOW:
      ToggleLook(&g_options.subtitlesShadow);
      return true;
    case IDM_SUBTITLES_FONT:
      SelectSubtitleFont(window);
      return true;
    case IDM_SUBTITLES_COLOR:
      SelectSubtitleColor(window);
      return true;
    default:
      return false;
  }
}

// The options record belongs to this thread: the dialogs work on copies and
// the video thread sees the result once it is published.
void SelectSubtitleFont(HWND owner) {
  LOGFONTA font = g_options.subtitleFont;
  CHOOSEFONTA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpLogFont = &font;
  dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
  if (!ChooseFontA(&dialog)) return;
  font.lfQuality = NONANTIALIASED_QUALITY;
  const bool newScript = font.lfCharSet != g_options.subtitleFont.lfCharSet;
  g_options.subtitleFont = font;
  PublishOptions();
  g_subtitleTrack->DropBand();
  // The loaded file may be in the code page of the script just chosen.
  if (newScript) g_subtitleTrack->ReloadSubtitles(font.lfCharSet);
}

void SelectSubtitleColor(HWND owner) {
  CHOOSECOLORA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.rgbResult = g_options.subtitleColor;
  dialog.lpCustColors = reinterpret_cast<COLORREF*>(g_options.customColors);
  dialog.Flags = CC_RGBINIT | CC_FULLOPEN | CC_SOLIDCOLOR;
  if (!ChooseColorA(&dialog)) return;
  g_options.subtitleColor = dialog.rgbResult;
  PublishOptions();
  g_subtitleTrack->SetDirty(true);
}

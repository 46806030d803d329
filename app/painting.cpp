// The four screens of the main window: the picture's layout while a file is
// open, "Opening...", the idle picture and the play list. Painting draws
// through GetDC; the window procedure lets DefWindowProcA validate.
#include "app/painting.h"

#include "app/application.h"
#include "app/gdi_scope.h"
#include "app/picture_tones.h"
#include "app/playlist_layout.h"
#include "app/shell.h"
#include "app/window_geometry.h"
#include "engine/player.h"
#include "playlist/playlist.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kNoticeColor = 0x4080FF;    // "Opening..." and "Please Wait"
constexpr COLORREF kPlaylistColor = 0x4060FF;  // play list lines
constexpr int kListTextIndent = 32;

// A line of text centred at x on a black box (the notices).
void DrawNotice(HDC dc, const RECT& box, int x, int y, const char* text) {
  SetBkColor(dc, kBlack);
  SetTextColor(dc, kNoticeColor);
  SetTextAlign(dc, TA_CENTER);
  ExtTextOutA(dc, x, y, ETO_OPAQUE, &box, text, static_cast<UINT>(std::strlen(text)), nullptr);
}

// State 1 or 2: only the layout. The video thread sets the presenter up for
// the new rectangle and draws the frame and the strip.
void LayOutVideo(const RECT& client) {
  const RECT area = VideoArea(client, g_app.fullscreenRequested.load() != 0);
  RECT picture;
  if (FitVideoRect(area, g_player->VideoWidth(), g_player->VideoHeight(), &picture)) {
    g_app.videoRect.Set(picture);
  }
  g_app.redrawCounter.fetch_add(1);
  ReleaseListImage();
}

void DrawOpening(HDC dc, const RECT& client) {
  DrawPanel(dc, client.left, client.top, client.right, client.bottom, -1);
  const RECT box = {client.left, client.top, client.right, client.bottom - kStatusStripHeight};
  DrawNotice(dc, box, client.right / 2, (client.bottom - kStatusStripHeight) / 2, "Opening...");
  ReleaseListImage();
}

// The list image, made again only when the window's size changed.
DibImage* ListImage(int width, int height) {
  if (g_app.listImage != nullptr &&
      (g_app.listImageWidth != width || g_app.listImageHeight != height)) {
    ReleaseListImage();
  }
  if (g_app.listImage == nullptr) {
    g_app.listImage = new DibImage();
    g_app.listImage->Create(width, height);
    g_app.listImageWidth = width;
    g_app.listImageHeight = height;
  }
  return g_app.listImage;
}

void DrawPlaylistLines(HDC memory, DibImage* image, int left, int height) {
  const int32_t count = g_playlist->Count();
  g_app.currentIndex = std::min(g_app.currentIndex, count);
  const PlaylistLayout layout = LayOutPlaylist(g_app.currentIndex, count, height);
  g_app.playlistScroll = layout.scroll;
  SetBkMode(memory, TRANSPARENT);
  SetTextColor(memory, kPlaylistColor);
  SetTextAlign(memory, TA_LEFT | TA_TOP);
  for (int32_t line = 0; line < layout.lineCount; ++line) {
    const int32_t index = layout.firstIndex + line;
    if (index < 0 || index >= count) continue;
    char title[1024];
    FileTitleOf(title, g_playlist->Item(index).c_str());
    char text[1100];
    std::snprintf(text, sizeof text, "%i. %s", static_cast<int>(index + 1), title);
    const int32_t y = PlaylistLineTop(index, layout.topOffset);
    if (index == g_app.currentIndex) {
      GdiFlush();  // the band is drawn into the bits directly
      HighlightLine(image, y, kPlaylistLineHeight);
    }
    ExtTextOutA(memory, left + kListTextIndent, y, 0, nullptr, text,
                static_cast<UINT>(std::strlen(text)), nullptr);
  }
}

void DrawPlaylistScreen(HDC dc, const RECT& client) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  DibImage* image = ListImage(width, height);
  if (g_playlist == nullptr || g_playlist->IsEmpty()) {
    DrawIdlePicture(dc, client, false);
    return;
  }
  {
    MemoryDC memory(dc, image->Bitmap());
    const RECT whole = {0, 0, width, height};
    DrawIdlePicture(memory.Get(), whole, true);
    DrawPlaylistLines(memory.Get(), image, client.left, height);
    GdiFlush();
  }
  image->Draw(dc, 0, 0);
}

}  // namespace

void ReleaseListImage() {
  if (g_app.listImage == nullptr) return;
  g_app.listImage->Destroy();
  delete g_app.listImage;
  g_app.listImage = nullptr;
}

void Repaint() {
  if (!g_app.windowActive.load() || g_mainWindow == nullptr || g_player == nullptr) return;
  WindowDC dc(g_mainWindow);
  RECT client;
  GetClientRect(g_mainWindow, &client);
  switch (g_player->State()) {
    case kPaused:
    case kPlaying:
      LayOutVideo(client);
      break;
    case kOpening:
      DrawOpening(dc.Get(), client);
      break;
    default:
      DrawPlaylistScreen(dc.Get(), client);
      break;
  }
}

void ShowPleaseWait() {
  if (g_mainWindow == nullptr) return;
  {
    WindowDC dc(g_mainWindow);
    RECT client;
    GetClientRect(g_mainWindow, &client);
    DrawPanel(dc.Get(), client.left, client.top, client.right, client.bottom, -1);
    client.bottom -= kStatusStripHeight;
    DrawNotice(dc.Get(), client, client.right / 2, client.bottom / 2, "Please Wait");
  }
  g_app.redrawCounter.fetch_add(1);
}

void DrawIdlePicture(HDC dc, const RECT& rect, bool dimmed) {
  const DibImage& picture = dimmed ? g_app.dimmedIdlePicture : g_app.idlePicture;
  const int width = picture.Width();
  const int height = picture.Height();
  const int x = (rect.left + rect.right) / 2 - width / 2;
  const int y = (rect.top + rect.bottom) / 2 - height / 2;
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  FillBox(dc, 0, 0, rect.right, y, black);
  FillBox(dc, 0, y + height, rect.right, rect.bottom, black);
  FillBox(dc, 0, y, x, y + height, black);
  FillBox(dc, x + width, y, rect.right, rect.bottom, black);
  picture.Draw(dc, x, y);
}

void HighlightLine(DibImage* image, int first, int count) {
  for (int y = first; y < first + count; ++y) {
    uint8_t* row = image->Row(y);
    if (row != nullptr) HighlightRow(row, image->Width());
  }
}

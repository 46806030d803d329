#include "app/pictures.h"

#include "app/application.h"
#include "app/gdi_scope.h"
#include "app/picture_tones.h"
#include "app/resource.h"

#include <cstring>

namespace {

constexpr int kIdleWidth = 400;
constexpr int kIdleHeight = 300;
constexpr int kBalanceWidth = 128;
constexpr int kBalanceHeight = 32;
constexpr int kStripWidth = 24;
// The menu draws a check-mark column of this width beside an owner-drawn item.
constexpr int kCheckMarkWidth = 16;

// Draws a loaded bitmap into a fresh 24-bit image of its size.
bool CopyIntoImage(HBITMAP bitmap, DibImage* image) {
  BITMAP info;
  if (GetObjectA(bitmap, sizeof info, &info) == 0) return false;
  if (!image->Create(info.bmWidth, info.bmHeight)) return false;
  WindowDC screen(nullptr);
  MemoryDC memory(screen.Get(), image->Bitmap());
  DrawStateA(memory.Get(), nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, 0, 0, 0, 0,
             DST_BITMAP);
  GdiFlush();
  return true;
}

void LoadIdlePictures(HINSTANCE instance) {
  HANDLE loaded = LoadImageA(instance, "ID_TAVO", IMAGE_BITMAP, kIdleWidth, kIdleHeight,
                             LR_CREATEDIBSECTION);
  HBITMAP bitmap = static_cast<HBITMAP>(loaded);
  if (bitmap != nullptr && CopyIntoImage(bitmap, &g_app.idlePicture)) {
    DibImage& dimmed = g_app.dimmedIdlePicture;
    const DibImage& idle = g_app.idlePicture;
    dimmed.Create(idle.Width(), idle.Height());
    for (int y = 0; y < idle.Height(); ++y) {
      std::memcpy(dimmed.Row(y), idle.Row(y), static_cast<size_t>(idle.Width()) * 3);
      DimRow(dimmed.Row(y), idle.Width());
    }
  } else {
    g_app.idlePicture.Create(1, 1);
    g_app.dimmedIdlePicture.Create(1, 1);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
}

void LoadBalanceImage(HINSTANCE instance) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(instance, "ID_BALANCE", IMAGE_BITMAP,
                                                   kBalanceWidth, kBalanceHeight,
                                                   LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return;  // the balance image keeps its content
  {
    MemoryDC memory(nullptr, bitmap);
    for (int y = 0; y < kBalanceHeight; ++y) {
      for (int x = 0; x < kBalanceWidth; ++x) {
        g_app.balanceImage[y * kBalanceWidth + x] = GetRValue(GetPixel(memory.Get(), x, y));
      }
    }
  }
  DeleteObject(bitmap);
}

}  // namespace

void LoadPictures(HINSTANCE instance) {
  LoadIdlePictures(instance);
  LoadBalanceImage(instance);
}

void DestroyPictures() {
  g_app.idlePicture.Destroy();
  g_app.dimmedIdlePicture.Destroy();
}

void InstallContextStrip(HINSTANCE instance) {
  g_app.contextStripPicture = LoadBitmapA(instance, "ID_CONTEXT");
  HMENU resource = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
  g_app.contextMenu = resource != nullptr ? GetSubMenu(resource, 0) : nullptr;
  if (g_app.contextMenu == nullptr) return;
  g_app.contextStripPlaceholder.Create(kStripWidth, kStripWidth);

  MENUITEMINFOA item;
  std::memset(&item, 0, sizeof item);
  item.cbSize = sizeof item;  // 48 bytes in a 32-bit build
  item.fMask = MIIM_STATE | MIIM_TYPE;
  item.fType = MFT_OWNERDRAW | MFT_BITMAP;
  item.fState = MFS_DISABLED | MFS_GRAYED;
  item.dwTypeData = reinterpret_cast<LPSTR>(g_app.contextStripPlaceholder.Bitmap());
  InsertMenuItemA(g_app.contextMenu, 0, TRUE, &item);
}

bool MeasureContextStrip(MEASUREITEMSTRUCT* item) {
  if (item->CtlType != ODT_MENU) return false;
  item->itemWidth = kStripWidth - kCheckMarkWidth;
  item->itemHeight = kStripWidth;
  return true;
}

bool DrawContextStrip(HWND window, const DRAWITEMSTRUCT* item) {
  if (item->CtlType != ODT_MENU || g_app.contextStripPicture == nullptr) return false;
  BITMAP picture;
  if (GetObjectA(g_app.contextStripPicture, sizeof picture, &picture) == 0) return false;
  // The strip's bottom lines up with the bottom of the menu's last item.
  HMENU menu = g_app.contextMenu;
  RECT second = {0, 0, 0, 0};
  RECT last = {0, 0, 0, 0};
  const int count = GetMenuItemCount(menu);
  if (count >= 2) {
    GetMenuItemRect(window, menu, 1, &second);
    GetMenuItemRect(window, menu, count - 1, &last);
  }
  const int top = item->rcItem.top - picture.bmHeight + (last.bottom - second.top);
  DrawStateA(item->hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(g_app.contextStripPicture), 0,
             item->rcItem.left, top, 0, 0, DST_BITMAP);
  return true;
}

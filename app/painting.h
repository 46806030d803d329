// The painting code's own routines beside those of app/shell.h (Repaint,
// ShowPleaseWait, DrawPanel): the idle picture and the play list band
// (Windows only).
#pragma once

#include "video/dib_image.h"

#include <windows.h>

// The idle picture (or its dimmed copy) centred in the rectangle, black
// around it.
void DrawIdlePicture(HDC dc, const RECT& rect, bool dimmed);

// Marks rows first .. first + count - 1 of the image (those inside it) with
// the current entry's red band.
void HighlightLine(DibImage* image, int first, int count);

// Gives back the cached play list image.
void ReleaseListImage();

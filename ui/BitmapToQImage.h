// The one place where a toolkit-free display bitmap becomes a QImage.
#pragma once

#include <QImage>

#include "DisplayBitmap.h"

// 8-bit: Format_Indexed8 with the bitmap's palette; 16-bit: Format_RGB16 (5:6:5);
// 24-bit: Format_BGR888 (bytes B, G, R); 32-bit: Format_ARGB32 with the fourth
// byte as straight alpha, or Format_RGB32 (made opaque) when the bitmap carries
// no alpha. A bitmap whose fields do not describe its pixel buffer, or one too
// large for a QImage, gives a null image.
QImage BitmapToQImage(const TDisplayBitmap& bitmap);

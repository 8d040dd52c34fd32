// A toolkit-free device-independent bitmap and the conversion of one subimage
// into it. The desktop front end turns it into its own image type in one place.
#pragma once

#include <cstdint>
#include <vector>

#include "ImageData.h"

struct TDisplayBitmap {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Depth = 0;                 // bits per pixel: 8 (paletted), 16 (5:6:5), 24 or 32
  std::vector<TColor32Rec> Palette;  // 8-bit only: red, green, blue of every entry (A unused)
  int32_t Stride = 0;                // bytes per scan line, a multiple of 4
  std::vector<uint8_t> Pixels;       // scan lines top to bottom; pixel bytes as in the image (B, G, R[, A])
  bool StraightAlpha = false;        // 32-bit: the fourth byte is straight (not premultiplied) alpha

  uint8_t* ScanLine(int32_t y) { return Pixels.data() + static_cast<size_t>(y) * Stride; }
  const uint8_t* ScanLine(int32_t y) const { return Pixels.data() + static_cast<size_t>(y) * Stride; }
};

// Fills bitmap from image (converting a temporary copy where the format has no
// bitmap depth); the image is left untouched. Throws EImagingError
// "Cannot find compatible bitmap format for image %s" when no depth fits.
void SubimageToBitmap(const TImageData& image, TDisplayBitmap& bitmap);

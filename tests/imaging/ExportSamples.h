// Source images for the writer tests, with the RGBA an exact reader must see.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ImageData.h"

struct ExportSample {
  TImageData image;
  std::vector<uint8_t> rgba;  // rows top to bottom, R, G, B, A
};

// Random bytes in a layout of whole 8-bit channels: Gray8, A8Gray8, R8G8B8,
// A8R8G8B8 or X8R8G8B8. The fourth byte of a 32-bit pixel shows as alpha only
// when the reader is said to see it (else 255).
ExportSample RandomByteChannels(TImageFormat format, int32_t w, int32_t h, bool readerSeesFourthByte = true);

// A bit-field format with channels only at 0 or their maximum, in a pattern that
// gives each channel its own bit, so a swapped or lost mask shows. `seen` is what
// the reader makes of a full channel (R, G, B, A): ImageMagick, for one, widens a
// 4-bit 15 to 240 in bitmaps.
ExportSample ExtremeBitFields(TImageFormat format, int32_t w, int32_t h,
                              std::array<uint8_t, 4> seen = {255, 255, 255, 255});

// Random bytes of any format (no expected pixels).
TImageData RandomImage(TImageFormat format, int32_t w, int32_t h, unsigned seed = 1);

// Long runs, short runs, stretches without runs and single odd bytes.
std::vector<uint8_t> RunnyBytes(size_t count, unsigned seed);

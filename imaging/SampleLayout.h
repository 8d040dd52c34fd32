// Where the samples of a plain (not indexed, not bit-field, not block) pixel
// format lie inside one pixel, in the order interchange formats store them:
// red, green, blue, alpha; grey formats: grey, alpha; one-channel float
// formats: their single channel. Derived from the catalogue's traits.
#pragma once

#include "ImageFormats.h"

struct TSampleLayout {
  int Count = 0;          // samples per pixel
  int SampleBytes = 0;    // 1, 2 or 4 (4: 32-bit float or 32-bit grey)
  int Offsets[4] = {};    // byte offset of each sample inside the pixel
  bool HasAlpha = false;  // the last sample is alpha
  bool IsGray = false;
  bool IsFloat = false;
};

// Throws std::logic_error for formats without separate whole-byte samples
// (indexed, bit-field, block-compressed, padded).
TSampleLayout GetSampleLayout(TImageFormat format);

// One in-memory image, the subimage list, and the operations on them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ImageFormats.h"

struct TImageData {
  int32_t Width = 0;
  int32_t Height = 0;
  TImageFormat Format = TImageFormat::Unknown;
  int32_t Size = 0;                   // bytes of pixel data
  std::vector<uint8_t> Bits;          // rows top to bottom, no padding
  std::vector<TColor32Rec> Palette;   // PaletteEntries entries, Index8 only
};

using TDynImageDataArray = std::vector<TImageData>;

// Caps on what a file may make us allocate, in one place. Programs keep the
// defaults; the fuzz targets lower them.
struct TImagingLimits {
  int64_t MaxImageBytes = int64_t{512} << 20;    // one image's pixel buffer
  int64_t MaxTextureBytes = int64_t{1} << 30;    // all subimages of one texture
  int64_t MaxSubimages = int64_t{1} << 16;       // subimages of one texture (levels x faces x slices)
};
TImagingLimits& ImagingLimits();

// Byte size of a width x height image (after CheckDimensions for block formats).
int64_t GetPixelsSize(TImageFormat format, int64_t width, int64_t height);
void CheckDimensions(TImageFormat format, int32_t& width, int32_t& height);

// Allocates a zero-filled image (dimensions adjusted by CheckDimensions), with a
// zero palette for Index8. Throws EImagingError
// "Error while creating image data with params: Width=%d Height=%d Format=%s."
void NewImage(int32_t width, int32_t height, TImageFormat format, TImageData& image);
// The size NewImage would allocate, or NewImage's error when it would refuse.
int64_t CheckedImageSize(int32_t width, int32_t height, TImageFormat format);
void FreeImage(TImageData& image);
// Valid: a known format, positive dimensions, and Size equal to GetPixelsSize of
// its dimensions and to the buffer's length.
bool TestImage(const TImageData& image);
// "Width=%d Height=%d Format=%s", the image description of the error texts.
std::string ImageToStr(const TImageData& image);

// Converts in place; throws EImagingError
// "Error while converting image to format "%s". %s" on failure.
void ConvertImageFormat(TImageData& image, TImageFormat destFormat);

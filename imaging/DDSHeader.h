// The DDS header as the loader reads it, the pixel-format selection and the
// subimage layout (count, order, dimensions) derived from it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ImageFormats.h"

constexpr int kDDSHeaderBytes = 128;

struct TDDSHeader {
  uint32_t Magic = 0, Flags = 0;
  int32_t Height = 0, Width = 0;
  uint32_t PitchOrLinearSize = 0;
  int32_t Depth = 0, MipMapCount = 0;
  uint32_t PfFlags = 0, FourCC = 0, RGBBitCount = 0;
  uint32_t RMask = 0, GMask = 0, BMask = 0, AMask = 0;
  uint32_t Caps1 = 0, Caps2 = 0;
};

TDDSHeader ParseDDSHeader(const uint8_t (&bytes)[kDDSHeaderBytes]);

struct TDDSPixelFormat {
  TImageFormat Format;
  bool SwapRedBlue;
};
// The first matching row of the selection table; nothing when no row matches.
std::optional<TDDSPixelFormat> SelectDDSPixelFormat(const TDDSHeader& header);

struct TDDSSize {
  int32_t Width, Height;
};
struct TDDSLayout {
  bool CubeMap = false, Volume = false;
  int32_t MipMapCount = 1, Depth = 0;
  std::vector<TDDSSize> Subimages;  // file order, dimensions before block rounding
  // Set when the count passed maxSubimages: Subimages then stops there and
  // FirstExcess is the size of the first subimage left out.
  std::optional<TDDSSize> FirstExcess;
};
TDDSLayout ComputeDDSLayout(const TDDSHeader& header, int64_t maxSubimages);

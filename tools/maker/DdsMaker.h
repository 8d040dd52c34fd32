// Builds DDS files for tests, benchmarks, fuzz seeds and the demo archive:
// every header field settable, sensible defaults, payload as given or encoded
// from B, G, R, A pixels.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ImageFormats.h"

// The 128 bytes that start a DDS file, field by field, in file order.
struct TDdsHeader {
  uint32_t Magic = 0x20534444;  // "DDS "
  uint32_t Size = 124;
  uint32_t Flags = 0x1007;      // caps, height, width, pixel format
  uint32_t Height = 4;
  uint32_t Width = 4;
  uint32_t PitchOrLinearSize = 0;
  uint32_t Depth = 0;
  uint32_t MipMapCount = 0;
  std::array<uint32_t, 11> Reserved1{};
  uint32_t PfSize = 32;
  uint32_t PfFlags = 0;
  uint32_t FourCC = 0;
  uint32_t RGBBitCount = 0;
  uint32_t RMask = 0, GMask = 0, BMask = 0, AMask = 0;
  uint32_t Caps1 = 0x1000;      // texture
  uint32_t Caps2 = 0;
  uint32_t Caps3 = 0, Caps4 = 0, Reserved2 = 0;
};

// Header flag, caps and pixel-format bits used by the builders and the tests.
namespace dds {
constexpr uint32_t kFlagPitch = 0x8, kFlagMipMapCount = 0x20000, kFlagLinearSize = 0x80000, kFlagDepth = 0x800000;
constexpr uint32_t kPfAlphaPixels = 0x1, kPfFourCC = 0x4, kPfRGB = 0x40, kPfLuminance = 0x20000,
                   kPfBumpLuminance = 0x40000, kPfBumpDuDv = 0x80000;
constexpr uint32_t kCaps1Complex = 0x8, kCaps1Texture = 0x1000, kCaps1MipMap = 0x400000;
constexpr uint32_t kCaps2CubeMap = 0x200, kCaps2AllFaces = 0xFC00, kCaps2Volume = 0x200000;
}  // namespace dds

constexpr uint32_t DdsFourCC(const char (&code)[5]) {
  return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 | uint32_t(uint8_t(code[2])) << 16 |
         uint32_t(uint8_t(code[3])) << 24;
}

// A header with FourCC set and the linear size of the top level (flags 0x81007).
TDdsHeader DdsFourCCHeader(uint32_t width, uint32_t height, uint32_t fourCC, uint32_t linearSize);
// A header with a bit-mask pixel format (pfFlags such as kPfRGB | kPfAlphaPixels).
TDdsHeader DdsMaskHeader(uint32_t width, uint32_t height, uint32_t pfFlags, uint32_t bits, uint32_t r, uint32_t g,
                         uint32_t b, uint32_t a);
// Sets the mipmap count with its header flag and caps.
void SetDdsMipMaps(TDdsHeader& header, uint32_t levels);

// The header's 128 bytes followed by the payload.
std::vector<uint8_t> BuildDds(const TDdsHeader& header, const std::vector<uint8_t>& payload);

// Encodes width x height B, G, R, A pixels (rows top to bottom) into the blocks of
// DXT1, DXT3, DXT5, ATI2N (red and green) or ATI1N (red).
std::vector<uint8_t> EncodeDdsBlocks(TImageFormat blockFormat, const std::vector<uint8_t>& bgra, int width, int height);
// Halves a B, G, R, A image with a 2x2 box filter (each side at least 1).
std::vector<uint8_t> HalveBgra(const std::vector<uint8_t>& bgra, int width, int height);

// A complete block-compressed DDS file: level 0 from the pixels, each smaller level
// halved from the one above; levels 0 means the whole chain down to 1 x 1.
std::vector<uint8_t> MakeBlockDds(TImageFormat blockFormat, const std::vector<uint8_t>& bgra, int width, int height,
                                  int levels = 1);
// A complete 32-bit A8R8G8B8 DDS file with one level.
std::vector<uint8_t> MakeArgbDds(const std::vector<uint8_t>& bgra, int width, int height);

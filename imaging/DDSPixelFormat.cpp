// The legacy pixel-format selection: the first flag group set in the header
// decides, then the first matching row within that group.
#include <iterator>

#include "DDSHeader.h"

namespace {

using F = TImageFormat;

constexpr uint32_t kPfAlphaPixels = 0x1, kPfFourCC = 0x4, kPfRGB = 0x40, kPfLuminance = 0x20000,
                   kPfBumpLuminance = 0x40000, kPfBumpDuDv = 0x80000;

constexpr uint32_t FourCC(const char (&c)[5]) {
  return uint32_t(uint8_t(c[0])) | uint32_t(uint8_t(c[1])) << 8 | uint32_t(uint8_t(c[2])) << 16 |
         uint32_t(uint8_t(c[3])) << 24;
}

enum class TAlphaFlag : uint8_t { Any, Set, Clear };
enum class TMaskRule : uint8_t { Ignore, FormatMasks, BlueMask, AlphaMask };
enum class TSwapRule : uint8_t { Never, Always, IfBlueMaskIsRed };

struct TSelectionRow {
  uint32_t Group;       // the pixel-format flag that selects the group
  TAlphaFlag Alpha;     // what the rows ask of the alpha-pixels flag
  uint32_t FourCCCode;  // FourCC group only
  uint32_t Bits;        // other groups: the RGB bit count
  TMaskRule Masks;
  uint32_t MaskValue;   // for BlueMask / AlphaMask
  F Format;
  TSwapRule Swap;
};

using A = TAlphaFlag;
using M = TMaskRule;
using S = TSwapRule;

constexpr TSelectionRow kRows[] = {
    {kPfFourCC, A::Any, FourCC("DXT1"), 0, M::Ignore, 0, F::DXT1, S::Never},
    {kPfFourCC, A::Any, FourCC("DXT3"), 0, M::Ignore, 0, F::DXT3, S::Never},
    {kPfFourCC, A::Any, FourCC("DXT5"), 0, M::Ignore, 0, F::DXT5, S::Never},
    {kPfFourCC, A::Any, FourCC("ATI1"), 0, M::Ignore, 0, F::ATI1N, S::Never},
    {kPfFourCC, A::Any, FourCC("ATI2"), 0, M::Ignore, 0, F::ATI2N, S::Never},
    {kPfFourCC, A::Any, 36, 0, M::Ignore, 0, F::A16B16G16R16, S::Never},
    {kPfFourCC, A::Any, 111, 0, M::Ignore, 0, F::R16F, S::Never},
    {kPfFourCC, A::Any, 113, 0, M::Ignore, 0, F::A16B16G16R16F, S::Never},
    {kPfFourCC, A::Any, 114, 0, M::Ignore, 0, F::R32F, S::Never},
    {kPfFourCC, A::Any, 116, 0, M::Ignore, 0, F::A32B32G32R32F, S::Never},
    // RGB with alpha
    {kPfRGB, A::Set, 0, 16, M::FormatMasks, 0, F::A4R4G4B4, S::Never},
    {kPfRGB, A::Set, 0, 16, M::FormatMasks, 0, F::A1R5G5B5, S::Never},
    {kPfRGB, A::Set, 0, 32, M::Ignore, 0, F::A8R8G8B8, S::IfBlueMaskIsRed},
    // RGB without alpha
    {kPfRGB, A::Clear, 0, 8, M::FormatMasks, 0, F::R3G3B2, S::Never},
    {kPfRGB, A::Clear, 0, 16, M::FormatMasks, 0, F::X4R4G4B4, S::Never},
    {kPfRGB, A::Clear, 0, 16, M::FormatMasks, 0, F::X1R5G5B5, S::Never},
    {kPfRGB, A::Clear, 0, 16, M::FormatMasks, 0, F::R5G6B5, S::Never},
    {kPfRGB, A::Clear, 0, 24, M::Ignore, 0, F::R8G8B8, S::Never},
    {kPfRGB, A::Clear, 0, 32, M::Ignore, 0, F::X8R8G8B8, S::IfBlueMaskIsRed},
    // Luminance
    {kPfLuminance, A::Set, 0, 16, M::Ignore, 0, F::A8Gray8, S::Never},
    {kPfLuminance, A::Clear, 0, 8, M::Ignore, 0, F::Gray8, S::Never},
    {kPfLuminance, A::Clear, 0, 16, M::Ignore, 0, F::Gray16, S::Never},
    // Bump maps, read as plain colour data
    {kPfBumpLuminance, A::Any, 0, 32, M::BlueMask, 0x00FF0000, F::X8R8G8B8, S::Always},
    {kPfBumpDuDv, A::Any, 0, 16, M::Ignore, 0, F::A8Gray8, S::Never},
    {kPfBumpDuDv, A::Any, 0, 32, M::AlphaMask, 0xFF000000, F::A8R8G8B8, S::Always},
    {kPfBumpDuDv, A::Any, 0, 64, M::Ignore, 0, F::A16B16G16R16, S::Never},
};

constexpr uint32_t kGroupOrder[] = {kPfFourCC, kPfRGB, kPfLuminance, kPfBumpLuminance, kPfBumpDuDv};

bool MasksMatch(const TDDSHeader& h, const TSelectionRow& row) {
  switch (row.Masks) {
    case M::Ignore: return true;
    case M::BlueMask: return h.BMask == row.MaskValue;
    case M::AlphaMask: return h.AMask == row.MaskValue;
    case M::FormatMasks: {
      const TPixelFormatMasks& m = GetFormatInfo(row.Format).PixelFormat;
      return h.AMask == m.A && h.RMask == m.R && h.GMask == m.G && h.BMask == m.B;
    }
  }
  return false;
}

bool RowMatches(const TDDSHeader& h, const TSelectionRow& row) {
  const bool alpha = (h.PfFlags & kPfAlphaPixels) != 0;
  if ((row.Alpha == A::Set && !alpha) || (row.Alpha == A::Clear && alpha)) return false;
  if (row.Group == kPfFourCC) return h.FourCC == row.FourCCCode;
  return h.RGBBitCount == row.Bits && MasksMatch(h, row);
}

}  // namespace

std::optional<TDDSPixelFormat> SelectDDSPixelFormat(const TDDSHeader& header) {
  for (uint32_t group : kGroupOrder) {
    if (!(header.PfFlags & group)) continue;
    for (const TSelectionRow& row : kRows) {
      if (row.Group != group || !RowMatches(header, row)) continue;
      const bool swap = row.Swap == S::Always || (row.Swap == S::IfBlueMaskIsRed && header.BMask == 0x00FF0000);
      return TDDSPixelFormat{row.Format, swap};
    }
    return std::nullopt;  // the first group set decides, even when none of its rows match
  }
  return std::nullopt;
}

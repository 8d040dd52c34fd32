// Header fields and the subimage layout: how many subimages a texture holds, in
// which order, and the size of each.
#include <algorithm>
#include <bit>

#include "DDSHeader.h"

namespace {

constexpr uint32_t kFlagDepth = 0x800000;
constexpr uint32_t kCaps2CubeMap = 0x200, kCaps2Faces = 0xFC00, kCaps2Volume = 0x200000;

uint32_t Field(const uint8_t (&b)[kDDSHeaderBytes], int offset) {
  return uint32_t{b[offset]} | uint32_t{b[offset + 1]} << 8 | uint32_t{b[offset + 2]} << 16 |
         uint32_t{b[offset + 3]} << 24;
}
int32_t SignedField(const uint8_t (&b)[kDDSHeaderBytes], int offset) { return static_cast<int32_t>(Field(b, offset)); }

TDDSSize Halve(TDDSSize s) { return {std::max(1, s.Width >> 1), std::max(1, s.Height >> 1)}; }

// D >> k, with shifts of 32 or more giving 0 instead of undefined behaviour.
int64_t SlicesAtLevel(uint32_t depth, int64_t level) { return level >= 32 ? 0 : depth >> level; }

// The subimages of one face (or of the whole texture when it is no cube map),
// at most limit of them.
std::vector<TDDSSize> FaceSizes(const TDDSHeader& h, const TDDSLayout& layout, size_t limit) {
  std::vector<TDDSSize> face;
  TDDSSize size{h.Width, h.Height};
  const uint32_t depth = static_cast<uint32_t>(h.Depth);  // a negative depth is a huge one, stopped by the cap
  for (int64_t level = 0; level < layout.MipMapCount && face.size() < limit; ++level) {
    if (level > 0) size = Halve(size);
    const int64_t slices = !layout.Volume ? 1 : level == 0 ? depth : std::max<int64_t>(1, SlicesAtLevel(depth, level));
    for (int64_t s = 0; s < slices && face.size() < limit; ++s) face.push_back(size);
  }
  return face;
}

}  // namespace

TDDSHeader ParseDDSHeader(const uint8_t (&b)[kDDSHeaderBytes]) {
  TDDSHeader h;
  h.Magic = Field(b, 0);
  h.Flags = Field(b, 8);
  h.Height = SignedField(b, 12);
  h.Width = SignedField(b, 16);
  h.PitchOrLinearSize = Field(b, 20);
  h.Depth = SignedField(b, 24);
  h.MipMapCount = SignedField(b, 28);
  h.PfFlags = Field(b, 80);
  h.FourCC = Field(b, 84);
  h.RGBBitCount = Field(b, 88);
  h.RMask = Field(b, 92);
  h.GMask = Field(b, 96);
  h.BMask = Field(b, 100);
  h.AMask = Field(b, 104);
  h.Caps1 = Field(b, 108);
  h.Caps2 = Field(b, 112);
  return h;
}

TDDSLayout ComputeDDSLayout(const TDDSHeader& h, int64_t maxSubimages) {
  TDDSLayout layout;
  layout.MipMapCount = h.MipMapCount > 1 ? h.MipMapCount : 1;
  layout.Depth = 1;
  if ((h.Caps2 & kCaps2Volume) && (h.Flags & kFlagDepth)) {
    layout.Volume = true;
    layout.Depth = h.Depth;
  }
  int faces = 1;
  if (h.Caps2 & kCaps2CubeMap) {
    layout.CubeMap = true;
    faces = std::popcount(h.Caps2 & kCaps2Faces);
    layout.Depth = faces;
  }
  // One subimage past the cap is kept to learn the first size left out.
  const size_t limit = static_cast<size_t>(std::max<int64_t>(0, maxSubimages)) + 1;
  const std::vector<TDDSSize> face = FaceSizes(h, layout, limit);
  if (faces == 0 || face.empty()) return layout;
  const size_t total = std::min(limit, face.size() * static_cast<size_t>(faces));
  layout.Subimages.reserve(total);
  for (size_t i = 0; i < total; ++i) layout.Subimages.push_back(face[i % face.size()]);
  if (layout.Subimages.size() == limit) {
    layout.FirstExcess = layout.Subimages.back();
    layout.Subimages.pop_back();
  }
  return layout;
}

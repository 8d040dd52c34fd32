#include "DdsMaker.h"

#include <algorithm>
#include <stdexcept>

#include "BlockDecoding.h"
#include "ImageData.h"

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

int LevelCount(int width, int height) {
  int levels = 1;
  while (width > 1 || height > 1) {
    width = std::max(1, width >> 1);
    height = std::max(1, height >> 1);
    ++levels;
  }
  return levels;
}

}  // namespace

TDdsHeader DdsFourCCHeader(uint32_t width, uint32_t height, uint32_t fourCC, uint32_t linearSize) {
  TDdsHeader h;
  h.Flags = 0x1007 | dds::kFlagLinearSize;
  h.Width = width;
  h.Height = height;
  h.PitchOrLinearSize = linearSize;
  h.PfFlags = dds::kPfFourCC;
  h.FourCC = fourCC;
  return h;
}

TDdsHeader DdsMaskHeader(uint32_t width, uint32_t height, uint32_t pfFlags, uint32_t bits, uint32_t r, uint32_t g,
                         uint32_t b, uint32_t a) {
  TDdsHeader h;
  h.Width = width;
  h.Height = height;
  h.PfFlags = pfFlags;
  h.RGBBitCount = bits;
  h.RMask = r;
  h.GMask = g;
  h.BMask = b;
  h.AMask = a;
  return h;
}

void SetDdsMipMaps(TDdsHeader& header, uint32_t levels) {
  header.MipMapCount = levels;
  header.Flags |= dds::kFlagMipMapCount;
  if (levels > 1) header.Caps1 |= dds::kCaps1Complex | dds::kCaps1MipMap;
}

std::vector<uint8_t> BuildDds(const TDdsHeader& h, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> out;
  out.reserve(128 + payload.size());
  for (uint32_t v : {h.Magic, h.Size, h.Flags, h.Height, h.Width, h.PitchOrLinearSize, h.Depth, h.MipMapCount}) {
    Put32(out, v);
  }
  for (uint32_t v : h.Reserved1) Put32(out, v);
  for (uint32_t v : {h.PfSize, h.PfFlags, h.FourCC, h.RGBBitCount, h.RMask, h.GMask, h.BMask, h.AMask, h.Caps1,
                     h.Caps2, h.Caps3, h.Caps4, h.Reserved2}) {
    Put32(out, v);
  }
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

std::vector<uint8_t> EncodeDdsBlocks(TImageFormat blockFormat, const std::vector<uint8_t>& bgra, int width,
                                     int height) {
  if (bgra.size() != static_cast<size_t>(width) * height * 4) throw std::invalid_argument("pixel count mismatch");
  // ATI1N carries one channel, red; every other block format encodes B, G, R, A.
  TImageData source;
  if (blockFormat == TImageFormat::ATI1N) {
    NewImage(width, height, TImageFormat::Gray8, source);
    for (size_t i = 0; i < source.Bits.size(); ++i) source.Bits[i] = bgra[i * 4 + 2];
  } else {
    NewImage(width, height, TImageFormat::A8R8G8B8, source);
    std::copy(bgra.begin(), bgra.end(), source.Bits.begin());
  }
  TImageData blocks;
  EncodeBlockImage(source, blockFormat, blocks);
  return std::move(blocks.Bits);
}

std::vector<uint8_t> HalveBgra(const std::vector<uint8_t>& bgra, int width, int height) {
  const int w = std::max(1, width >> 1);
  const int h = std::max(1, height >> 1);
  std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 4; ++c) {
        unsigned sum = 0;
        for (int dy = 0; dy < 2; ++dy) {
          for (int dx = 0; dx < 2; ++dx) {
            const int sx = std::min(2 * x + dx, width - 1);
            const int sy = std::min(2 * y + dy, height - 1);
            sum += bgra[(static_cast<size_t>(sy) * width + sx) * 4 + c];
          }
        }
        out[(static_cast<size_t>(y) * w + x) * 4 + c] = static_cast<uint8_t>((sum + 2) / 4);
      }
    }
  }
  return out;
}

std::vector<uint8_t> MakeBlockDds(TImageFormat blockFormat, const std::vector<uint8_t>& bgra, int width, int height,
                                  int levels) {
  static constexpr struct {
    TImageFormat Format;
    uint32_t FourCC;
  } kFourCCs[] = {{TImageFormat::DXT1, DdsFourCC("DXT1")},
                  {TImageFormat::DXT3, DdsFourCC("DXT3")},
                  {TImageFormat::DXT5, DdsFourCC("DXT5")},
                  {TImageFormat::ATI1N, DdsFourCC("ATI1")},
                  {TImageFormat::ATI2N, DdsFourCC("ATI2")}};
  uint32_t fourCC = 0;
  for (const auto& row : kFourCCs) {
    if (row.Format == blockFormat) fourCC = row.FourCC;
  }
  if (!fourCC) throw std::invalid_argument("not a block format");
  if (levels <= 0) levels = LevelCount(width, height);
  std::vector<uint8_t> payload;
  std::vector<uint8_t> level = bgra;
  int w = width, h = height;
  uint32_t topSize = 0;
  for (int k = 0; k < levels; ++k) {
    const std::vector<uint8_t> blocks = EncodeDdsBlocks(blockFormat, level, w, h);
    if (k == 0) topSize = static_cast<uint32_t>(blocks.size());
    payload.insert(payload.end(), blocks.begin(), blocks.end());
    if (k + 1 < levels) {
      level = HalveBgra(level, w, h);
      w = std::max(1, w >> 1);
      h = std::max(1, h >> 1);
    }
  }
  TDdsHeader header = DdsFourCCHeader(width, height, fourCC, topSize);
  if (levels > 1) SetDdsMipMaps(header, levels);
  return BuildDds(header, payload);
}

std::vector<uint8_t> MakeArgbDds(const std::vector<uint8_t>& bgra, int width, int height) {
  TDdsHeader header = DdsMaskHeader(width, height, dds::kPfRGB | dds::kPfAlphaPixels, 32, 0x00FF0000, 0x0000FF00,
                                    0x000000FF, 0xFF000000);
  return BuildDds(header, bgra);
}

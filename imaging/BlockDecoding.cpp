#include "BlockDecoding.h"

#include <cstring>

#include "Exceptions.h"

namespace {

uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Load32(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24; }
uint64_t Load48(const uint8_t* p) { return uint64_t{Load32(p)} | uint64_t{Load16(p + 4)} << 32; }

constexpr uint32_t Pixel(uint32_t r, uint32_t g, uint32_t b, uint32_t a) { return a << 24 | r << 16 | g << 8 | b; }

struct TRgb {
  uint32_t R, G, B;
};

TRgb Expand565(uint16_t c) {
  return {((c >> 11) & 31u) * 255u / 31u, ((c >> 5) & 63u) * 255u / 63u, (c & 31u) * 255u / 31u};
}

// The four colours of a colour block. DXT3 and DXT5 always use the four-colour
// mode; DXT1 switches on the endpoint order (compared as unsigned 16-bit words).
void ColourPalette(const uint8_t* block, bool alwaysFour, uint32_t palette[4]) {
  const uint16_t w0 = Load16(block);
  const uint16_t w1 = Load16(block + 2);
  const TRgb c0 = Expand565(w0);
  const TRgb c1 = Expand565(w1);
  palette[0] = Pixel(c0.R, c0.G, c0.B, 255);
  palette[1] = Pixel(c1.R, c1.G, c1.B, 255);
  const TRgb third{(c0.R + 2 * c1.R + 1) / 3, (c0.G + 2 * c1.G + 1) / 3, (c0.B + 2 * c1.B + 1) / 3};
  if (alwaysFour || w0 > w1) {
    palette[2] = Pixel((2 * c0.R + c1.R + 1) / 3, (2 * c0.G + c1.G + 1) / 3, (2 * c0.B + c1.B + 1) / 3, 255);
    palette[3] = Pixel(third.R, third.G, third.B, 255);
  } else {
    palette[2] = Pixel((c0.R + c1.R) >> 1, (c0.G + c1.G) >> 1, (c0.B + c1.B) >> 1, 255);
    palette[3] = Pixel(third.R, third.G, third.B, 0);  // the transparent entry keeps its colour
  }
}

// Writes the 16 colours of a colour block; alpha comes from the palette.
void WriteColourBlock(const uint8_t* block, bool alwaysFour, uint8_t* out, ptrdiff_t pitch) {
  uint32_t palette[4];
  ColourPalette(block, alwaysFour, palette);
  uint32_t indices = Load32(block + 4);
  for (int y = 0; y < 4; ++y, out += pitch) {
    uint32_t row[4];
    for (int x = 0; x < 4; ++x, indices >>= 2) row[x] = palette[indices & 3];
    std::memcpy(out, row, sizeof row);
  }
}

// The eight values of an interpolated-alpha block (DXT5 alpha, ATI1N, ATI2N).
void AlphaPalette(uint32_t a0, uint32_t a1, uint8_t values[8]) {
  values[0] = static_cast<uint8_t>(a0);
  values[1] = static_cast<uint8_t>(a1);
  if (a0 > a1) {
    for (uint32_t j = 1; j <= 6; ++j) values[1 + j] = static_cast<uint8_t>(((7 - j) * a0 + j * a1 + 3) / 7);
  } else {
    for (uint32_t j = 1; j <= 4; ++j) values[1 + j] = static_cast<uint8_t>(((5 - j) * a0 + j * a1 + 2) / 5);
    values[6] = 0;
    values[7] = 255;
  }
}

// Writes the 16 values of an interpolated block to every step-th byte, starting at out.
void WriteAlphaBlock(const uint8_t* block, uint8_t* out, ptrdiff_t pitch, int step) {
  uint8_t values[8];
  AlphaPalette(block[0], block[1], values);
  uint64_t indices = Load48(block + 2);  // one 48-bit field, 3 bits per texel from the bottom
  for (int y = 0; y < 4; ++y, out += pitch) {
    for (int x = 0; x < 4; ++x, indices >>= 3) out[x * step] = values[indices & 7];
  }
}

}  // namespace

void DecodeDXT1Block(const uint8_t* block, uint8_t* out, ptrdiff_t pitch) { WriteColourBlock(block, false, out, pitch); }

void DecodeDXT3Block(const uint8_t* block, uint8_t* out, ptrdiff_t pitch) {
  WriteColourBlock(block + 8, true, out, pitch);
  uint64_t alpha = uint64_t{Load32(block)} | uint64_t{Load32(block + 4)} << 32;  // low nibble first
  for (int y = 0; y < 4; ++y, out += pitch) {
    for (int x = 0; x < 4; ++x, alpha >>= 4) out[x * 4 + 3] = static_cast<uint8_t>((alpha & 15) * 17);
  }
}

void DecodeDXT5Block(const uint8_t* block, uint8_t* out, ptrdiff_t pitch) {
  WriteColourBlock(block + 8, true, out, pitch);
  WriteAlphaBlock(block, out + 3, pitch, 4);
}

void DecodeATI1NBlock(const uint8_t* block, uint8_t* out, ptrdiff_t pitch) { WriteAlphaBlock(block, out, pitch, 1); }

void DecodeATI2NBlock(const uint8_t* block, uint8_t* out, ptrdiff_t pitch) {
  uint8_t* row = out;
  for (int y = 0; y < 4; ++y, row += pitch) {
    static constexpr uint32_t kOpaqueBlack = Pixel(0, 0, 0, 255);
    const uint32_t fill[4] = {kOpaqueBlack, kOpaqueBlack, kOpaqueBlack, kOpaqueBlack};
    std::memcpy(row, fill, sizeof fill);
  }
  WriteAlphaBlock(block, out + 2, pitch, 4);      // red
  WriteAlphaBlock(block + 8, out + 1, pitch, 4);  // green
}

namespace {

using TDecodeBlock = void (*)(const uint8_t*, uint8_t*, ptrdiff_t);

TDecodeBlock DecoderOf(TImageFormat format) {
  switch (format) {
    case TImageFormat::DXT1: return DecodeDXT1Block;
    case TImageFormat::DXT3: return DecodeDXT3Block;
    case TImageFormat::DXT5: return DecodeDXT5Block;
    case TImageFormat::ATI1N: return DecodeATI1NBlock;
    case TImageFormat::ATI2N: return DecodeATI2NBlock;
    default: return nullptr;
  }
}

}  // namespace

void DecodeBlockImage(const TImageData& source, TImageData& dest) {
  const TImageFormatInfo& info = GetFormatInfo(source.Format);
  const TDecodeBlock decode = DecoderOf(source.Format);
  if (!decode || !TestImage(source)) throw EImagingError("Invalid block-compressed image " + ImageToStr(source));
  TImageData result;
  NewImage(source.Width, source.Height, info.SpecialNearestFormat, result);
  const int outBpp = GetFormatInfo(result.Format).BytesPerPixel;
  const int blocksAcross = source.Width / 4;
  const int blocksDown = source.Height / 4;
  const size_t blockBytes = static_cast<size_t>(source.Size) / (static_cast<size_t>(blocksAcross) * blocksDown);
  const ptrdiff_t pitch = static_cast<ptrdiff_t>(result.Width) * outBpp;
  const uint8_t* block = source.Bits.data();
  for (int by = 0; by < blocksDown; ++by) {
    uint8_t* out = result.Bits.data() + static_cast<ptrdiff_t>(by) * 4 * pitch;
    for (int bx = 0; bx < blocksAcross; ++bx, block += blockBytes, out += 4 * outBpp) decode(block, out, pitch);
  }
  dest = std::move(result);
}

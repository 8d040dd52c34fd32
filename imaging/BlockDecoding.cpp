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

// Writes the 16 texels of a colour block. DXT3 and DXT5 drop the palette's
// alpha (keep 0x00FFFFFF) and supply their own, already in the top byte,
// through alphaOf (called for texels 0 to 15 in order), so one pass
// writes every byte once.
template <typename TAlphaOf>
void WriteColourBlock(const uint8_t* block, bool alwaysFour, uint32_t keep, uint8_t* out, ptrdiff_t pitch,
                      TAlphaOf alphaOf) {
  uint32_t palette[4];
  ColourPalette(block, alwaysFour, palette);
  for (uint32_t& entry : palette) entry &= keep;
  uint32_t indices = Load32(block + 4);
  for (int y = 0; y < 4; ++y, out += pitch) {
    uint32_t row[4];
    for (int x = 0; x < 4; ++x, indices >>= 2) row[x] = palette[indices & 3] | alphaOf(y * 4 + x);
    std::memcpy(out, row, sizeof row);
  }
}

// The eight values of an interpolated-alpha block (DXT5 alpha, ATI1N, ATI2N).
void AlphaPalette(uint32_t a0, uint32_t a1, uint32_t values[8]) {
  values[0] = a0;
  values[1] = a1;
  if (a0 > a1) {
    for (uint32_t j = 1; j <= 6; ++j) values[1 + j] = ((7 - j) * a0 + j * a1 + 3) / 7;
  } else {
    for (uint32_t j = 1; j <= 4; ++j) values[1 + j] = ((5 - j) * a0 + j * a1 + 2) / 5;
    values[6] = 0;
    values[7] = 255;
  }
}

// The 16 values of an interpolated block, texels in row-major order.
void InterpolatedValues(const uint8_t* block, uint32_t values16[16]) {
  uint32_t values[8];
  AlphaPalette(block[0], block[1], values);
  uint64_t indices = Load48(block + 2);  // one 48-bit field, 3 bits per texel from the bottom
  for (int t = 0; t < 16; ++t, indices >>= 3) values16[t] = values[indices & 7];
}

}  // namespace

void DecodeDXT1Block(const uint8_t* block, uint8_t* out, ptrdiff_t pitch) {
  WriteColourBlock(block, false, 0xFFFFFFFFu, out, pitch, [](int) { return 0u; });
}

void DecodeDXT3Block(const uint8_t* block, uint8_t* out, ptrdiff_t pitch) {
  const uint64_t alpha = uint64_t{Load32(block)} | uint64_t{Load32(block + 4)} << 32;  // low nibble first
  WriteColourBlock(block + 8, true, 0x00FFFFFFu, out, pitch,
                   [alpha](int t) { return static_cast<uint32_t>((alpha >> (4 * t)) & 15) * 17u << 24; });
}

void DecodeDXT5Block(const uint8_t* block, uint8_t* out, ptrdiff_t pitch) {
  uint32_t alpha[8];
  AlphaPalette(block[0], block[1], alpha);
  for (uint32_t& a : alpha) a <<= 24;
  uint64_t indices = Load48(block + 2);
  WriteColourBlock(block + 8, true, 0x00FFFFFFu, out, pitch, [&alpha, &indices](int) {
    const uint32_t a = alpha[indices & 7];
    indices >>= 3;
    return a;
  });
}

void DecodeATI1NBlock(const uint8_t* block, uint8_t* out, ptrdiff_t pitch) {
  uint32_t grey[16];
  InterpolatedValues(block, grey);
  for (int y = 0; y < 4; ++y, out += pitch) {
    for (int x = 0; x < 4; ++x) out[x] = static_cast<uint8_t>(grey[y * 4 + x]);
  }
}

void DecodeATI2NBlock(const uint8_t* block, uint8_t* out, ptrdiff_t pitch) {
  uint32_t red[16], green[16];
  InterpolatedValues(block, red);
  InterpolatedValues(block + 8, green);
  for (int y = 0; y < 4; ++y, out += pitch) {
    uint32_t row[4];
    for (int x = 0; x < 4; ++x) row[x] = Pixel(red[y * 4 + x], green[y * 4 + x], 0, 255);
    std::memcpy(out, row, sizeof row);
  }
}

namespace {

// Block rows top to bottom, blocks left to right; written once per decoder so
// the per-block call is direct.
template <void (*Decode)(const uint8_t*, uint8_t*, ptrdiff_t)>
void DecodeBlocks(const TImageData& source, int outBpp, TImageData& result) {
  const int blocksAcross = source.Width / 4;
  const int blocksDown = source.Height / 4;
  const size_t blockBytes = static_cast<size_t>(source.Size) / (static_cast<size_t>(blocksAcross) * blocksDown);
  const ptrdiff_t pitch = static_cast<ptrdiff_t>(result.Width) * outBpp;
  const uint8_t* block = source.Bits.data();
  for (int by = 0; by < blocksDown; ++by) {
    uint8_t* out = result.Bits.data() + static_cast<ptrdiff_t>(by) * 4 * pitch;
    for (int bx = 0; bx < blocksAcross; ++bx, block += blockBytes, out += 4 * outBpp) Decode(block, out, pitch);
  }
}

using TDecodeImage = void (*)(const TImageData&, int, TImageData&);

constexpr struct {
  TImageFormat Format;
  TDecodeImage Decode;
} kDecoders[] = {
    {TImageFormat::DXT1, DecodeBlocks<DecodeDXT1Block>},   {TImageFormat::DXT3, DecodeBlocks<DecodeDXT3Block>},
    {TImageFormat::DXT5, DecodeBlocks<DecodeDXT5Block>},   {TImageFormat::ATI1N, DecodeBlocks<DecodeATI1NBlock>},
    {TImageFormat::ATI2N, DecodeBlocks<DecodeATI2NBlock>},
};

}  // namespace

void DecodeBlockImage(const TImageData& source, TImageData& dest) {
  const TImageFormatInfo& info = GetFormatInfo(source.Format);
  TDecodeImage decode = nullptr;
  for (const auto& row : kDecoders) {
    if (row.Format == source.Format) decode = row.Decode;
  }
  if (!decode || !TestImage(source)) throw EImagingError("Invalid block-compressed image " + ImageToStr(source));
  // Every byte is written by the decoder: a buffer of the right shape is reused as it is.
  const bool reusable = &dest != &source && dest.Format == info.SpecialNearestFormat && dest.Width == source.Width &&
                        dest.Height == source.Height && TestImage(dest);
  if (reusable) {
    decode(source, GetFormatInfo(dest.Format).BytesPerPixel, dest);
    return;
  }
  TImageData result;
  NewImage(source.Width, source.Height, info.SpecialNearestFormat, result);
  decode(source, GetFormatInfo(result.Format).BytesPerPixel, result);
  dest = std::move(result);
}

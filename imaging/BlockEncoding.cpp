// Simple block encoders: endpoints from the tile's range, nearest palette entry
// per texel. The palettes come from the decoders themselves, so what is encoded
// is exactly what decodes.
#include <algorithm>
#include <cstring>

#include "BlockDecoding.h"
#include "Exceptions.h"

namespace {

void Store16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Store32(uint8_t* p, uint32_t v) {
  Store16(p, v);
  Store16(p + 2, v >> 16);
}

uint32_t To565(uint32_t r, uint32_t g, uint32_t b) {
  return ((r * 31 + 127) / 255) << 11 | ((g * 63 + 127) / 255) << 5 | ((b * 31 + 127) / 255);
}

struct TTile {
  uint8_t B[16], G[16], R[16], A[16];
};

TTile ReadTile(const uint8_t* in, ptrdiff_t pitch) {
  TTile t{};
  for (int i = 0; i < 16; ++i) {
    const uint8_t* p = in + (i / 4) * pitch + (i % 4) * 4;
    t.B[i] = p[0];
    t.G[i] = p[1];
    t.R[i] = p[2];
    t.A[i] = p[3];
  }
  return t;
}

// The bounding box has four diagonals; take the one the colours run along, by
// flipping each channel that falls while the widest channel rises.
void OrientDiagonal(const TTile& t, bool alwaysFour, uint32_t lo[3], uint32_t hi[3]) {
  const uint8_t* channels[3] = {t.R, t.G, t.B};
  int widest = 0;
  for (int k = 1; k < 3; ++k) {
    if (hi[k] - lo[k] > hi[widest] - lo[widest]) widest = k;
  }
  int64_t sum[3] = {0, 0, 0};
  int count = 0;
  for (int i = 0; i < 16; ++i) {
    if (!alwaysFour && t.A[i] < 128) continue;
    for (int k = 0; k < 3; ++k) sum[k] += channels[k][i];
    ++count;
  }
  if (count == 0) return;
  for (int k = 0; k < 3; ++k) {
    if (k == widest) continue;
    int64_t covariance = 0;
    for (int i = 0; i < 16; ++i) {
      if (!alwaysFour && t.A[i] < 128) continue;
      covariance += (channels[k][i] * count - sum[k]) * (channels[widest][i] * count - sum[widest]);
    }
    if (covariance < 0) std::swap(lo[k], hi[k]);
  }
}

// Colour half of a block: 4 bytes of endpoints, 4 bytes of 2-bit indices.
// DXT1 (alwaysFour false) sends texels of alpha below 128 to the transparent
// entry 3 of the three-colour mode; DXT3 and DXT5 always decode four colours.
void EncodeColour(const TTile& t, bool alwaysFour, uint8_t* block) {
  uint32_t lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
  bool anyTransparent = false, anyOpaque = false;
  for (int i = 0; i < 16; ++i) {
    if (!alwaysFour && t.A[i] < 128) {
      anyTransparent = true;
      continue;
    }
    anyOpaque = true;
    const uint32_t c[3] = {t.R[i], t.G[i], t.B[i]};
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], c[k]);
      hi[k] = std::max(hi[k], c[k]);
    }
  }
  if (!anyOpaque) lo[0] = lo[1] = lo[2] = hi[0] = hi[1] = hi[2] = 0;
  OrientDiagonal(t, alwaysFour, lo, hi);
  const uint32_t wHi = To565(hi[0], hi[1], hi[2]);
  const uint32_t wLo = To565(lo[0], lo[1], lo[2]);
  // Four-colour mode wants endpoint 0 above endpoint 1, three-colour mode the reverse.
  const uint32_t w0 = anyTransparent ? std::min(wHi, wLo) : std::max(wHi, wLo);
  const uint32_t w1 = anyTransparent ? std::max(wHi, wLo) : std::min(wHi, wLo);
  const bool threeColour = !alwaysFour && w0 <= w1;

  // Texels 0..3 take entries 0..3: decoding this probe gives the palette.
  uint8_t probe[16] = {};
  uint8_t* colour = probe + 8;
  Store16(colour, w0);
  Store16(colour + 2, w1);
  Store32(colour + 4, 0xE4);
  uint8_t decoded[16 * 4];
  if (alwaysFour) DecodeDXT3Block(probe, decoded, 16);
  else DecodeDXT1Block(colour, decoded, 16);

  uint32_t indices = 0;
  for (int i = 15; i >= 0; --i) {
    int best = 3;
    if (!(threeColour && t.A[i] < 128)) {
      int bestDistance = 1 << 30;
      for (int e = 0; e < (threeColour ? 3 : 4); ++e) {
        const uint8_t* p = decoded + e * 4;
        const int db = p[0] - t.B[i], dg = p[1] - t.G[i], dr = p[2] - t.R[i];
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) bestDistance = distance, best = e;
      }
    }
    indices = indices << 2 | static_cast<uint32_t>(best);
  }
  Store16(block, w0);
  Store16(block + 2, w1);
  Store32(block + 4, indices);
}

// An interpolated block (DXT5 alpha, ATI1N, ATI2N channels) from 16 values.
void EncodeInterpolated(const uint8_t values[16], uint8_t* block) {
  const uint8_t hi = *std::max_element(values, values + 16);
  const uint8_t lo = *std::min_element(values, values + 16);
  block[0] = hi;
  block[1] = lo;
  uint64_t probe = 0;
  for (int e = 0; e < 8; ++e) probe |= uint64_t(e) << (3 * e);
  for (int k = 0; k < 6; ++k) block[2 + k] = static_cast<uint8_t>(probe >> (8 * k));
  uint8_t palette[16];
  DecodeATI1NBlock(block, palette, 4);
  uint64_t indices = 0;
  for (int i = 15; i >= 0; --i) {
    int best = 0, bestDistance = 1 << 30;
    for (int e = 0; e < 8; ++e) {
      const int d = palette[e] - values[i];
      if (d * d < bestDistance) bestDistance = d * d, best = e;
    }
    indices = indices << 3 | static_cast<uint64_t>(best);
  }
  for (int k = 0; k < 6; ++k) block[2 + k] = static_cast<uint8_t>(indices >> (8 * k));
}

}  // namespace

void EncodeDXT1Block(const uint8_t* in, ptrdiff_t pitch, uint8_t* block) { EncodeColour(ReadTile(in, pitch), false, block); }

void EncodeDXT3Block(const uint8_t* in, ptrdiff_t pitch, uint8_t* block) {
  const TTile t = ReadTile(in, pitch);
  uint64_t alpha = 0;
  for (int i = 15; i >= 0; --i) alpha = alpha << 4 | static_cast<uint64_t>((t.A[i] + 8) / 17);
  for (int k = 0; k < 8; ++k) block[k] = static_cast<uint8_t>(alpha >> (8 * k));
  EncodeColour(t, true, block + 8);
}

void EncodeDXT5Block(const uint8_t* in, ptrdiff_t pitch, uint8_t* block) {
  const TTile t = ReadTile(in, pitch);
  EncodeInterpolated(t.A, block);
  EncodeColour(t, true, block + 8);
}

void EncodeATI1NBlock(const uint8_t* in, ptrdiff_t pitch, uint8_t* block) {
  uint8_t values[16];
  for (int i = 0; i < 16; ++i) values[i] = in[(i / 4) * pitch + i % 4];
  EncodeInterpolated(values, block);
}

void EncodeATI2NBlock(const uint8_t* in, ptrdiff_t pitch, uint8_t* block) {
  const TTile t = ReadTile(in, pitch);
  EncodeInterpolated(t.R, block);
  EncodeInterpolated(t.G, block + 8);
}

namespace {

struct TBlockEncoder {
  TImageFormat Format;
  void (*Encode)(const uint8_t*, ptrdiff_t, uint8_t*);
  int BlockBytes;
};
constexpr TBlockEncoder kEncoders[] = {
    {TImageFormat::DXT1, EncodeDXT1Block, 8},   {TImageFormat::DXT3, EncodeDXT3Block, 16},
    {TImageFormat::DXT5, EncodeDXT5Block, 16},  {TImageFormat::ATI1N, EncodeATI1NBlock, 8},
    {TImageFormat::ATI2N, EncodeATI2NBlock, 16},
};

}  // namespace

void EncodeBlockImage(const TImageData& source, TImageFormat blockFormat, TImageData& dest) {
  const TBlockEncoder* encoder = nullptr;
  for (const TBlockEncoder& e : kEncoders) {
    if (e.Format == blockFormat) encoder = &e;
  }
  const TImageFormatInfo& info = GetFormatInfo(blockFormat);
  if (!encoder || source.Format != info.SpecialNearestFormat || !TestImage(source)) {
    throw EImagingError("Cannot encode image " + ImageToStr(source) + " as " + info.Name);
  }
  TImageData result;
  NewImage(source.Width, source.Height, blockFormat, result);
  const int bpp = GetFormatInfo(source.Format).BytesPerPixel;
  uint8_t tile[16 * 4];
  uint8_t* block = result.Bits.data();
  for (int by = 0; by < result.Height; by += 4) {
    for (int bx = 0; bx < result.Width; bx += 4, block += encoder->BlockBytes) {
      // Texels past the source's edge repeat the last row or column.
      for (int y = 0; y < 4; ++y) {
        const int sy = std::min(by + y, source.Height - 1);
        for (int x = 0; x < 4; ++x) {
          const int sx = std::min(bx + x, source.Width - 1);
          std::memcpy(tile + (y * 4 + x) * bpp,
                      source.Bits.data() + (static_cast<size_t>(sy) * source.Width + sx) * bpp, bpp);
        }
      }
      encoder->Encode(tile, 4 * bpp, block);
    }
  }
  dest = std::move(result);
}

#include "PixelAccess.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

enum class TChannelKind : uint8_t { None, U8, U16, U32, F16, F32 };

// Where each channel sits in a pixel of a byte-aligned format, counted in
// channels (not bytes); -1 when absent. Pad marks the meaningless X channel.
struct TChannelLayout {
  TChannelKind Kind = TChannelKind::None;
  int8_t B = -1, G = -1, R = -1, A = -1, Gray = -1, Pad = -1;
};

constexpr TChannelLayout Colour(TChannelKind kind, int8_t b, int8_t g, int8_t r, int8_t a = -1, int8_t pad = -1) {
  return TChannelLayout{kind, b, g, r, a, -1, pad};
}
constexpr TChannelLayout Grey(TChannelKind kind, int8_t a = -1) { return TChannelLayout{kind, -1, -1, -1, a, 0, -1}; }

using K = TChannelKind;
using F = TImageFormat;

constexpr std::array<TChannelLayout, kImageFormatCount> MakeLayouts() {
  std::array<TChannelLayout, kImageFormatCount> t{};
  auto at = [&t](F f) -> TChannelLayout& { return t[static_cast<int>(f)]; };
  at(F::Gray8) = Grey(K::U8);
  at(F::A8Gray8) = Grey(K::U8, 1);
  at(F::Gray16) = Grey(K::U16);
  at(F::Gray32) = Grey(K::U32);
  at(F::A16Gray16) = Grey(K::U16, 1);
  at(F::R8G8B8) = Colour(K::U8, 0, 1, 2);
  at(F::A8R8G8B8) = Colour(K::U8, 0, 1, 2, 3);
  at(F::X8R8G8B8) = Colour(K::U8, 0, 1, 2, -1, 3);
  at(F::R16G16B16) = Colour(K::U16, 0, 1, 2);
  at(F::A16R16G16B16) = Colour(K::U16, 0, 1, 2, 3);
  at(F::B16G16R16) = Colour(K::U16, 2, 1, 0);
  at(F::A16B16G16R16) = Colour(K::U16, 2, 1, 0, 3);
  at(F::R32F) = Colour(K::F32, -1, -1, 0);
  at(F::A32R32G32B32F) = Colour(K::F32, 0, 1, 2, 3);
  at(F::A32B32G32R32F) = Colour(K::F32, 2, 1, 0, 3);
  at(F::R16F) = Colour(K::F16, -1, -1, 0);
  at(F::A16R16G16B16F) = Colour(K::F16, 0, 1, 2, 3);
  at(F::A16B16G16R16F) = Colour(K::F16, 2, 1, 0, 3);
  return t;
}
constexpr auto kLayouts = MakeLayouts();

const TChannelLayout& LayoutOf(const TImageFormatInfo& info) { return kLayouts[static_cast<int>(info.Format)]; }

constexpr int ChannelBytes(TChannelKind kind) {
  switch (kind) {
    case K::U8: return 1;
    case K::U16: case K::F16: return 2;
    case K::U32: case K::F32: return 4;
    default: return 0;
  }
}

uint32_t LoadLE(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}
void StoreLE(uint8_t* p, int bytes, uint32_t v) {
  for (int i = 0; i < bytes; ++i, v >>= 8) p[i] = static_cast<uint8_t>(v);
}

float LoadFloat(const uint8_t* p) {
  const uint32_t bits = LoadLE(p, 4);
  return std::bit_cast<float>(bits);
}

// A channel read as a float (floats as stored, integers as fractions of their maximum).
float ReadChannelFP(const uint8_t* pixel, TChannelKind kind, int index) {
  const uint8_t* p = pixel + index * ChannelBytes(kind);
  switch (kind) {
    case K::U8: return *p / 255.0f;
    case K::U16: return static_cast<float>(LoadLE(p, 2)) / 65535.0f;
    case K::U32: return static_cast<float>(LoadLE(p, 4) / 4294967295.0);
    case K::F16: return HalfToFloat(static_cast<uint16_t>(LoadLE(p, 2)));
    case K::F32: return LoadFloat(p);
    default: return 0.0f;
  }
}

uint16_t ReadChannel16(const uint8_t* pixel, TChannelKind kind, int index) {
  const uint8_t* p = pixel + index * ChannelBytes(kind);
  switch (kind) {
    case K::U8: return Widen8To16(*p);
    case K::U16: return static_cast<uint16_t>(LoadLE(p, 2));
    case K::U32: return static_cast<uint16_t>(uint64_t{LoadLE(p, 4)} * 65535u / 4294967295u);
    case K::F16: case K::F32: return FloatTo16(ReadChannelFP(pixel, kind, index));
    default: return 0;
  }
}

void WriteChannel16(uint8_t* pixel, TChannelKind kind, int index, uint16_t v) {
  uint8_t* p = pixel + index * ChannelBytes(kind);
  switch (kind) {
    case K::U8: *p = Narrow16To8(v); break;
    case K::U16: StoreLE(p, 2, v); break;
    case K::U32: StoreLE(p, 4, uint32_t{v} * 65537u); break;
    case K::F16: StoreLE(p, 2, FloatToHalf(v / 65535.0f)); break;
    case K::F32: StoreLE(p, 4, std::bit_cast<uint32_t>(v / 65535.0f)); break;
    default: break;
  }
}

void WriteChannelFP(uint8_t* pixel, TChannelKind kind, int index, float v) {
  uint8_t* p = pixel + index * ChannelBytes(kind);
  if (kind == K::F16) StoreLE(p, 2, FloatToHalf(v));
  else if (kind == K::F32) StoreLE(p, 4, std::bit_cast<uint32_t>(v));
  else WriteChannel16(pixel, kind, index, FloatTo16(v));
}

// Grey at the target's own channel width, so 8-bit targets round once.
void WriteGray(uint8_t* pixel, TChannelKind kind, int index, TColor64Rec c) {
  if (kind == K::U8) {
    pixel[index] = static_cast<uint8_t>(GrayOf(Narrow16To8(c.R), Narrow16To8(c.G), Narrow16To8(c.B)));
    return;
  }
  WriteChannel16(pixel, kind, index, static_cast<uint16_t>(GrayOf(c.R, c.G, c.B)));
}

}  // namespace

uint16_t FloatTo16(float value) {
  if (!(value > 0.0f)) return 0;  // NaN too
  if (value >= 1.0f) return 65535;
  return static_cast<uint16_t>(std::lround(value * 65535.0f));
}

float HalfToFloat(uint16_t half) {
  const uint32_t sign = uint32_t{half & 0x8000u} << 16;
  const uint32_t exponent = (half >> 10) & 0x1F;
  const uint32_t mantissa = half & 0x3FF;
  if (exponent == 0) {
    const float magnitude = std::ldexp(static_cast<float>(mantissa), -24);  // zero and subnormals
    return sign ? -magnitude : magnitude;
  }
  const uint32_t bits = exponent == 31 ? sign | 0x7F800000u | (mantissa << 13)
                                       : sign | ((exponent + 112) << 23) | (mantissa << 13);
  return std::bit_cast<float>(bits);
}

uint16_t FloatToHalf(float value) {
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  const uint16_t sign = static_cast<uint16_t>((bits >> 16) & 0x8000u);
  const uint32_t absBits = bits & 0x7FFFFFFFu;
  if (absBits >= 0x7F800000u) return sign | (absBits > 0x7F800000u ? 0x7E00 : 0x7C00);  // NaN, infinity
  if (absBits >= 0x477FF000u) return sign | 0x7C00;  // rounds past the largest half
  if (absBits < 0x38800000u) {                       // subnormal half or zero
    const float magnitude = std::bit_cast<float>(absBits);
    return sign | static_cast<uint16_t>(std::nearbyint(magnitude * 16777216.0f));
  }
  // Normal: rebias, then round to nearest even on the 13 dropped bits.
  uint32_t h = ((absBits >> 13) - (112u << 10));
  const uint32_t rest = absBits & 0x1FFFu;
  if (rest > 0x1000u || (rest == 0x1000u && (h & 1u))) ++h;
  return sign | static_cast<uint16_t>(h);
}

TColor64Rec GetPixel64Channels(const uint8_t* pixel, const TImageFormatInfo& info, const TColor32Rec*) {
  const TChannelLayout& l = LayoutOf(info);
  TColor64Rec c;
  if (l.Gray >= 0) {
    c.R = c.G = c.B = ReadChannel16(pixel, l.Kind, l.Gray);
  } else {
    if (l.R >= 0) c.R = ReadChannel16(pixel, l.Kind, l.R);
    if (l.G >= 0) c.G = ReadChannel16(pixel, l.Kind, l.G);
    if (l.B >= 0) c.B = ReadChannel16(pixel, l.Kind, l.B);
  }
  c.A = l.A >= 0 ? ReadChannel16(pixel, l.Kind, l.A) : 65535;
  return c;
}

void SetPixel64Channels(uint8_t* pixel, const TImageFormatInfo& info, TColor64Rec c) {
  const TChannelLayout& l = LayoutOf(info);
  if (l.Gray >= 0) {
    WriteGray(pixel, l.Kind, l.Gray, c);
  } else {
    if (l.R >= 0) WriteChannel16(pixel, l.Kind, l.R, c.R);
    if (l.G >= 0) WriteChannel16(pixel, l.Kind, l.G, c.G);
    if (l.B >= 0) WriteChannel16(pixel, l.Kind, l.B, c.B);
  }
  if (l.A >= 0) WriteChannel16(pixel, l.Kind, l.A, c.A);
  if (l.Pad >= 0) WriteChannel16(pixel, l.Kind, l.Pad, 65535);
}

void GetPixelFPChannels(const uint8_t* pixel, const TImageFormatInfo& info, float argb[4]) {
  const TChannelLayout& l = LayoutOf(info);
  argb[1] = argb[2] = argb[3] = 0.0f;
  if (l.Gray >= 0) {
    argb[1] = argb[2] = argb[3] = ReadChannelFP(pixel, l.Kind, l.Gray);
  } else {
    if (l.R >= 0) argb[1] = ReadChannelFP(pixel, l.Kind, l.R);
    if (l.G >= 0) argb[2] = ReadChannelFP(pixel, l.Kind, l.G);
    if (l.B >= 0) argb[3] = ReadChannelFP(pixel, l.Kind, l.B);
  }
  argb[0] = l.A >= 0 ? ReadChannelFP(pixel, l.Kind, l.A) : 1.0f;
}

void SetPixelFPChannels(uint8_t* pixel, const TImageFormatInfo& info, const float argb[4]) {
  const TChannelLayout& l = LayoutOf(info);
  if (l.Kind != K::F16 && l.Kind != K::F32) {
    SetPixelFPTo64(pixel, info, argb);
    return;
  }
  if (l.R >= 0) WriteChannelFP(pixel, l.Kind, l.R, argb[1]);
  if (l.G >= 0) WriteChannelFP(pixel, l.Kind, l.G, argb[2]);
  if (l.B >= 0) WriteChannelFP(pixel, l.Kind, l.B, argb[3]);
  if (l.A >= 0) WriteChannelFP(pixel, l.Kind, l.A, argb[0]);
}

namespace {

// A packed n-bit field widened to 8 bits (c * 255 / (2^n - 1)), then to 16.
uint16_t ReadField(uint32_t word, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const uint32_t max = mask >> shift;
  return Widen8To16(((word & mask) >> shift) * 255u / max);
}

// Narrowed to 8 bits, then the top n bits kept.
uint32_t WriteField(uint16_t v, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  return (uint32_t{Narrow16To8(v)} >> (8 - bits)) << shift;
}

}  // namespace

TColor64Rec GetPixel64BitField(const uint8_t* pixel, const TImageFormatInfo& info, const TColor32Rec*) {
  const uint32_t word = LoadLE(pixel, info.BytesPerPixel);
  const TPixelFormatMasks& m = info.PixelFormat;
  TColor64Rec c;
  c.R = ReadField(word, m.R);
  c.G = ReadField(word, m.G);
  c.B = ReadField(word, m.B);
  c.A = m.A ? ReadField(word, m.A) : 65535;
  return c;
}

void SetPixel64BitField(uint8_t* pixel, const TImageFormatInfo& info, TColor64Rec c) {
  const TPixelFormatMasks& m = info.PixelFormat;
  uint32_t word = WriteField(c.R, m.R) | WriteField(c.G, m.G) | WriteField(c.B, m.B);
  const uint32_t all = info.BytesPerPixel >= 4 ? 0xFFFFFFFFu : (1u << (8 * info.BytesPerPixel)) - 1;
  // Unused X bits are set, so an X format read back as its alpha twin is opaque.
  word |= m.A ? WriteField(c.A, m.A) : all & ~(m.R | m.G | m.B);
  StoreLE(pixel, info.BytesPerPixel, word);
}

TColor64Rec GetPixel64Indexed(const uint8_t* pixel, const TImageFormatInfo&, const TColor32Rec* palette) {
  TColor64Rec c;
  if (!palette) return c;
  const TColor32Rec& e = palette[*pixel];
  c.R = Widen8To16(e.R);
  c.G = Widen8To16(e.G);
  c.B = Widen8To16(e.B);
  c.A = Widen8To16(e.A);
  return c;
}

void GetPixelFPFrom64(const uint8_t* pixel, const TImageFormatInfo& info, float argb[4]) {
  // Only formats that need no palette come here (Index8 is converted through GetPixel64).
  const TColor64Rec c = info.GetPixel64(pixel, info, nullptr);
  argb[0] = c.A / 65535.0f;
  argb[1] = c.R / 65535.0f;
  argb[2] = c.G / 65535.0f;
  argb[3] = c.B / 65535.0f;
}

void SetPixelFPTo64(uint8_t* pixel, const TImageFormatInfo& info, const float argb[4]) {
  TColor64Rec c;
  c.A = FloatTo16(argb[0]);
  c.R = FloatTo16(argb[1]);
  c.G = FloatTo16(argb[2]);
  c.B = FloatTo16(argb[3]);
  info.SetPixel64(pixel, info, c);
}

bool ConvertBytePixels(const uint8_t* in, const TImageFormatInfo& from, uint8_t* out, const TImageFormatInfo& to,
                       size_t count) {
  const TChannelLayout& src = LayoutOf(from);
  const TChannelLayout& dst = LayoutOf(to);
  if (src.Kind != K::U8 || dst.Kind != K::U8 || (dst.Gray >= 0 && src.Gray < 0)) return false;
  // For every output byte: the input byte it copies, or -1 and a constant.
  int source[4] = {-1, -1, -1, -1};
  uint8_t constant[4] = {0, 0, 0, 0};
  const auto route = [&](int8_t outAt, int8_t inAt, uint8_t otherwise) {
    if (outAt < 0) return;
    source[outAt] = inAt;
    constant[outAt] = otherwise;
  };
  const bool grey = src.Gray >= 0;
  route(dst.B, grey ? src.Gray : src.B, 0);
  route(dst.G, grey ? src.Gray : src.G, 0);
  route(dst.R, grey ? src.Gray : src.R, 0);
  route(dst.Gray, src.Gray, 0);
  route(dst.A, src.A, 255);
  route(dst.Pad, -1, 255);
  const int inBytes = from.BytesPerPixel, outBytes = to.BytesPerPixel;
  for (size_t i = 0; i < count; ++i, in += inBytes, out += outBytes) {
    for (int k = 0; k < outBytes; ++k) out[k] = source[k] >= 0 ? in[source[k]] : constant[k];
  }
  return true;
}

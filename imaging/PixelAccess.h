// Per-pixel readers and writers of the plain formats, used through the
// accessor fields of the format catalogue. 16 bits per channel (or float) is
// the pivot every plain conversion passes through.
#pragma once

#include <cstdint>

#include "ImageFormats.h"

TColor64Rec GetPixel64Channels(const uint8_t* pixel, const TImageFormatInfo& info, const TColor32Rec* palette);
void SetPixel64Channels(uint8_t* pixel, const TImageFormatInfo& info, TColor64Rec color);
void GetPixelFPChannels(const uint8_t* pixel, const TImageFormatInfo& info, float argb[4]);
void SetPixelFPChannels(uint8_t* pixel, const TImageFormatInfo& info, const float argb[4]);

TColor64Rec GetPixel64BitField(const uint8_t* pixel, const TImageFormatInfo& info, const TColor32Rec* palette);
void SetPixel64BitField(uint8_t* pixel, const TImageFormatInfo& info, TColor64Rec color);

TColor64Rec GetPixel64Indexed(const uint8_t* pixel, const TImageFormatInfo& info, const TColor32Rec* palette);

// Float access for formats whose native pivot is 16 bits: value / 65535 and back.
void GetPixelFPFrom64(const uint8_t* pixel, const TImageFormatInfo& info, float argb[4]);
void SetPixelFPTo64(uint8_t* pixel, const TImageFormatInfo& info, const float argb[4]);

// Fast path for formats whose channels are all single bytes (R8G8B8, A8R8G8B8,
// X8R8G8B8, Gray8, A8Gray8): converts count pixels by moving bytes, with the same
// results as the accessors. Returns false, doing nothing, for any other pair (and
// for grey targets from colour sources, which need the luminance).
bool ConvertBytePixels(const uint8_t* in, const TImageFormatInfo& from, uint8_t* out, const TImageFormatInfo& to,
                       size_t count);

// Channel width rules shared with the block decoders and the tests.
inline uint16_t Widen8To16(uint32_t c) { return static_cast<uint16_t>(c * 257u); }            // c * 65535 / 255
inline uint8_t Narrow16To8(uint32_t v) { return static_cast<uint8_t>(v / 257u); }             // v * 255 / 65535
uint16_t FloatTo16(float value);  // clamped to [0, 1], x 65535, rounded to nearest
float HalfToFloat(uint16_t half);
uint16_t FloatToHalf(float value);
// Luminance round(0.299 R + 0.587 G + 0.114 B), at whatever channel width is given.
inline uint32_t GrayOf(uint32_t r, uint32_t g, uint32_t b) {
  return static_cast<uint32_t>((uint64_t{299} * r + uint64_t{587} * g + uint64_t{114} * b + 500) / 1000);
}

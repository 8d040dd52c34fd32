// ConvertImageFormat: partner swaps in place, block formats through their
// decoders, everything else pixel by pixel through a 16-bit (or float) pivot.
#include "Conversion.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "BlockDecoding.h"
#include "Exceptions.h"
#include "Format.h"
#include "PixelAccess.h"

namespace {

// A palette of exactly 256 entries, whatever the image carries, so indices never overrun it.
std::array<TColor32Rec, 256> FullPalette(const TImageData& image) {
  std::array<TColor32Rec, 256> palette{};
  std::copy_n(image.Palette.begin(), std::min<size_t>(image.Palette.size(), 256), palette.begin());
  return palette;
}

void ConvertPlainPixels(const TImageData& source, TImageFormat destFormat, TImageData& dest) {
  const TImageFormatInfo& from = GetFormatInfo(source.Format);
  const TImageFormatInfo& to = GetFormatInfo(destFormat);
  TImageData result;
  NewImage(source.Width, source.Height, destFormat, result);
  const size_t count = static_cast<size_t>(source.Width) * source.Height;
  const uint8_t* in = source.Bits.data();
  uint8_t* out = result.Bits.data();
  if (ConvertBytePixels(in, from, out, to, count)) {
    dest = std::move(result);
    return;
  }
  const std::array<TColor32Rec, 256> palette = FullPalette(source);
  // Float targets take float sources unclamped; everything else meets at 16 bits.
  const bool viaFloat = to.IsFloatingPoint && !from.IsIndexed;
  for (size_t i = 0; i < count; ++i, in += from.BytesPerPixel, out += to.BytesPerPixel) {
    if (viaFloat) {
      float argb[4];
      from.GetPixelFP(in, from, argb);
      to.SetPixelFP(out, to, argb);
    } else {
      to.SetPixel64(out, to, from.GetPixel64(in, from, palette.data()));
    }
  }
  dest = std::move(result);
}

// Index8 from grey: a grey ramp palette, the grey value's top byte as index.
void GrayToIndex8(const TImageData& source, TImageData& dest) {
  const TImageFormatInfo& from = GetFormatInfo(source.Format);
  TImageData result;
  NewImage(source.Width, source.Height, TImageFormat::Index8, result);
  for (int i = 0; i < 256; ++i) {
    const uint8_t v = static_cast<uint8_t>(i);
    result.Palette[i] = TColor32Rec{v, v, v, 255};
  }
  const int topByte = from.BytesPerPixel / from.ChannelCount - 1;  // grey is the first channel
  const uint8_t* in = source.Bits.data() + topByte;
  for (uint8_t& index : result.Bits) {
    index = *in;
    in += from.BytesPerPixel;
  }
  dest = std::move(result);
}

void ConvertPlain(TImageData& image, TImageFormat destFormat) {
  const TImageFormatInfo& from = GetFormatInfo(image.Format);
  if (from.RBSwapFormat == destFormat) {
    SwapRedBlueChannels(image);
    image.Format = destFormat;
    return;
  }
  TImageData result;
  if (destFormat == TImageFormat::Index8) {
    if (from.HasGrayChannel) GrayToIndex8(image, result);
    else ReduceToIndex8(image, result);
  } else {
    ConvertPlainPixels(image, destFormat, result);
  }
  image = std::move(result);
}

void Convert(TImageData& image, TImageFormat destFormat) {
  const TImageFormatInfo& to = GetFormatInfo(destFormat);
  TImageData work;
  const TImageData* source = &image;
  if (GetFormatInfo(image.Format).IsSpecial) {
    DecodeBlockImage(image, work);
    source = &work;
  }
  if (source != &work) work = image;  // converted on a copy: a failure leaves the image as it was
  if (to.IsSpecial) {
    if (work.Format != to.SpecialNearestFormat) ConvertPlain(work, to.SpecialNearestFormat);
    TImageData encoded;
    EncodeBlockImage(work, destFormat, encoded);
    image = std::move(encoded);
    return;
  }
  if (work.Format != destFormat) ConvertPlain(work, destFormat);
  image = std::move(work);
}

}  // namespace

void SwapRedBlueChannels(TImageData& image) {
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  if (info.BytesPerPixel <= 0 || info.ChannelCount < 3) return;
  const int channel = info.BytesPerPixel / info.ChannelCount;
  const size_t count = image.Bits.size() / static_cast<size_t>(info.BytesPerPixel);
  uint8_t* p = image.Bits.data();
  for (size_t i = 0; i < count; ++i, p += info.BytesPerPixel) {
    for (int b = 0; b < channel; ++b) std::swap(p[b], p[2 * channel + b]);
  }
}

std::vector<TColor32Rec> ReadPixels32(const TImageData& image) {
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  const std::array<TColor32Rec, 256> palette = FullPalette(image);
  const size_t count = static_cast<size_t>(image.Width) * image.Height;
  std::vector<TColor32Rec> pixels(count);
  const uint8_t* in = image.Bits.data();
  for (size_t i = 0; i < count; ++i, in += info.BytesPerPixel) {
    const TColor64Rec c = info.GetPixel64(in, info, palette.data());
    pixels[i] = TColor32Rec{Narrow16To8(c.B), Narrow16To8(c.G), Narrow16To8(c.R), Narrow16To8(c.A)};
  }
  return pixels;
}

void ConvertImageFormat(TImageData& image, TImageFormat destFormat) {
  if (image.Format == destFormat) return;
  const TImageFormatInfo& to = GetFormatInfo(destFormat);
  const std::string message =
      Format("Error while converting image to format \"%s\". %s", to.Name, ImageToStr(image).c_str());
  if (to.Format == TImageFormat::Unknown || !TestImage(image)) throw EImagingError(message);
  try {
    Convert(image, destFormat);
  } catch (...) {
    throw EImagingError(message, CurrentExceptionText());
  }
}

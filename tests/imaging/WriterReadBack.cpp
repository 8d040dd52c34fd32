#include "WriterReadBack.h"

#include <cmath>

#include "Stream.h"
#include "TestSupport.h"

namespace writer_readback {

namespace {

// A spread of 16-bit values: a multiplicative hash keeps neighbours apart.
uint16_t PatternValue(int32_t x, int32_t y, int channel) {
  const uint32_t seed = static_cast<uint32_t>(x * 37 + y * 101 + channel * 53 + 7);
  return static_cast<uint16_t>((seed * 2654435761u) >> 16);
}

uint16_t PatternAlpha(int32_t x, int32_t y) {
  switch ((x + 2 * y) % 5) {
    case 0: return 0;
    case 1: return 65535;
    default: return PatternValue(x, y, 3);
  }
}

// Readers narrow 16-bit samples by truncating or by rounding: at fewer bits,
// either neighbour of the exact narrowed value is faithful.
bool SameAtBits(uint16_t want, uint16_t got, int bits) {
  if (bits >= 16) return want == got;
  const double scale = static_cast<double>((1 << bits) - 1) / 65535.0;
  const double exact = std::round(want * scale * 1000.0) / 1000.0;
  const double seen = std::round(got * scale);
  return seen == std::floor(exact) || seen == std::ceil(exact);
}

}  // namespace

TImageData MakePatternImage(TImageFormat format, int32_t width, int32_t height, bool paletteAlpha) {
  TImageData image;
  NewImage(width, height, format, image);
  const TImageFormatInfo& info = GetFormatInfo(format);
  if (info.IsIndexed) {
    for (size_t i = 0; i < image.Palette.size(); ++i) {
      const int n = static_cast<int>(i);
      image.Palette[i] = {static_cast<uint8_t>(PatternValue(n, 0, 2) >> 8),
                          static_cast<uint8_t>(PatternValue(n, 0, 1) >> 8),
                          static_cast<uint8_t>(PatternValue(n, 0, 0) >> 8),
                          static_cast<uint8_t>(paletteAlpha ? PatternAlpha(n, 0) >> 8 : 255)};
    }
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) image.Bits[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(x * 7 + y * 13);
    }
    return image;
  }
  if (info.IsSpecial) {  // any bytes are valid blocks
    for (size_t i = 0; i < image.Bits.size(); ++i) image.Bits[i] = static_cast<uint8_t>(PatternValue(static_cast<int32_t>(i), 0, 0) >> 8);
    return image;
  }
  uint8_t* pixel = image.Bits.data();
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x, pixel += info.BytesPerPixel) {
      const TColor64Rec color{PatternValue(x, y, 2), PatternValue(x, y, 1), PatternValue(x, y, 0), PatternAlpha(x, y)};
      info.SetPixel64(pixel, info, color);
    }
  }
  return image;
}

std::vector<TRgba16> ExpectedPixels(const TImageData& image) {
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  const bool oneChannel = info.ChannelCount == 1 && !info.IsIndexed;
  std::vector<TRgba16> pixels;
  const uint8_t* pixel = image.Bits.data();
  for (int64_t i = 0; i < int64_t{image.Width} * image.Height; ++i, pixel += info.BytesPerPixel) {
    const TColor64Rec c = info.GetPixel64(pixel, info, image.Palette.data());
    // Grey formats give grey in all three; a one-channel float format its red.
    pixels.push_back(oneChannel ? TRgba16{c.R, c.R, c.R, c.A} : TRgba16{c.R, c.G, c.B, c.A});
  }
  return pixels;
}

::testing::AssertionResult SamePixels(const TDecoded& decoded, int width, int height,
                                      const std::vector<TRgba16>& expected, const TCompare& how) {
  if (!decoded.Ok) return ::testing::AssertionFailure() << "reader failed: " << decoded.Error;
  if (decoded.Width != width || decoded.Height != height) {
    return ::testing::AssertionFailure() << "size " << decoded.Width << "x" << decoded.Height << ", expected "
                                         << width << "x" << height;
  }
  for (size_t i = 0; i < expected.size(); ++i) {
    const uint16_t want[4] = {expected[i].R, expected[i].G, expected[i].B, expected[i].A};
    const uint16_t got[4] = {decoded.Pixels[i].R, decoded.Pixels[i].G, decoded.Pixels[i].B, decoded.Pixels[i].A};
    for (int c = 0; c < 4; ++c) {
      if (c == 3 && how.IgnoreAlpha) continue;
      if (c < 3 && how.IgnoreColorOfTransparent && want[3] == 0) continue;
      if (c < 3 && how.ColorOnlyWhereOpaque && want[3] != 65535) continue;
      const int bits = std::min(how.Bits[c], decoded.Bits);
      if (!SameAtBits(want[c], got[c], bits)) {
        return ::testing::AssertionFailure() << "pixel (" << i % width << ", " << i / width << ") channel "
                                             << "RGBA"[c] << ": got " << got[c] << ", expected " << want[c]
                                             << " (compared on " << bits << " bits)";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

double ColorPSNR(const TDecoded& decoded, const std::vector<TRgba16>& expected) {
  double squares = 0;
  for (size_t i = 0; i < expected.size() && i < decoded.Pixels.size(); ++i) {
    const int want[3] = {expected[i].R >> 8, expected[i].G >> 8, expected[i].B >> 8};
    const int got[3] = {decoded.Pixels[i].R >> 8, decoded.Pixels[i].G >> 8, decoded.Pixels[i].B >> 8};
    for (int c = 0; c < 3; ++c) squares += double(want[c] - got[c]) * (want[c] - got[c]);
  }
  const double mse = squares / (3.0 * static_cast<double>(expected.size()));
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

std::vector<uint8_t> WritePicture(TImageFileFormat& format, const TImageData& image,
                                  const std::filesystem::path& file) {
  TMemoryStream stream;
  format.SaveImageToStream(stream, image);
  std::vector<uint8_t> bytes(stream.Memory(), stream.Memory() + stream.Size());
  testing_support::WriteFileBytes(file, bytes);
  return bytes;
}

}  // namespace writer_readback

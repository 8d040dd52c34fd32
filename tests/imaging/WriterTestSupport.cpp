#include "WriterTestSupport.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "PictureReaders.h"
#include "TestSupport.h"

namespace writer_tests {

namespace {

uint8_t NoiseByte(uint32_t i) {
  uint32_t x = i * 2654435761u + 0x9E3779B9u;
  x ^= x >> 15;
  x *= 2246822519u;
  x ^= x >> 13;
  return static_cast<uint8_t>(x >> 7);
}

// A smooth field over the picture, different per sample offset.
uint8_t SmoothByte(int32_t x, int32_t y, int32_t width, int32_t height, int channel) {
  const double fx = static_cast<double>(x) / std::max(1, width - 1);
  const double fy = static_cast<double>(y) / std::max(1, height - 1);
  const double v = 0.5 + 0.4 * std::sin(3.0 * fx + 2.0 * fy + channel * 1.3) * std::cos(2.0 * fy - channel);
  return static_cast<uint8_t>(std::lround(v * 255));
}

}  // namespace

TImageData PatternImage(TImageFormat format, int32_t width, int32_t height, TPattern pattern) {
  TImageData image;
  NewImage(width, height, format, image);
  const TImageFormatInfo& info = GetFormatInfo(format);
  const int64_t pixelBytes = std::max(1, info.BytesPerPixel);
  for (size_t i = 0; i < image.Bits.size(); ++i) {
    const int64_t pixel = static_cast<int64_t>(i) / pixelBytes;
    const int channel = static_cast<int>(static_cast<int64_t>(i) % pixelBytes);
    image.Bits[i] = pattern == TPattern::Noise
                        ? NoiseByte(static_cast<uint32_t>(i))
                        : SmoothByte(static_cast<int32_t>(pixel % width), static_cast<int32_t>(pixel / width), width,
                                     height, channel);
  }
  if (info.IsFloatingPoint) {
    // Random bytes make NaNs; float pixels get values in [0, 1] instead.
    for (size_t i = 0; i + 3 < image.Bits.size(); i += 4) {
      const float v = NoiseByte(static_cast<uint32_t>(i)) / 255.0f;
      std::memcpy(&image.Bits[i], &v, 4);
    }
  }
  for (size_t i = 0; i < image.Palette.size(); ++i)
    image.Palette[i] = TColor32Rec{NoiseByte(static_cast<uint32_t>(4 * i)), NoiseByte(static_cast<uint32_t>(4 * i + 1)),
                                   NoiseByte(static_cast<uint32_t>(4 * i + 2)), static_cast<uint8_t>(255 - i)};
  return image;
}

std::vector<uint8_t> StreamBytes(TMemoryStream& stream) {
  return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

std::vector<uint8_t> Encode(TImageFileFormat& format, const TImageData& image) {
  TMemoryStream stream;
  format.SaveImageToStream(stream, image);
  return StreamBytes(stream);
}

std::vector<uint16_t> ExpectedRGBA16(const TImageData& image) {
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  std::vector<uint16_t> rgba;
  const size_t pixels = static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height);
  rgba.reserve(pixels * 4);
  for (size_t i = 0; i < pixels; ++i) {
    const TColor64Rec c = info.GetPixel64(image.Bits.data() + i * info.BytesPerPixel, info, image.Palette.data());
    rgba.insert(rgba.end(), {c.R, c.G, c.B, c.A});
  }
  return rgba;
}

std::vector<uint16_t> ReadRGBA16WithImageMagick(const std::filesystem::path& path, std::string* error) {
  const testing_support::TDecoded decoded = testing_support::ReadWithMagick16(path);
  if (!decoded.Ok) {
    if (error) *error = decoded.Error;
    return {};
  }
  std::vector<uint16_t> rgba;
  rgba.reserve(decoded.Pixels.size() * 4);
  for (const testing_support::TRgba16& p : decoded.Pixels) rgba.insert(rgba.end(), {p.R, p.G, p.B, p.A});
  return rgba;
}

double PSNR16(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b, bool alphaOnly) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  size_t count = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    if ((i % 4 == 3) != alphaOnly) continue;
    const size_t alpha = i - i % 4 + 3;
    if (!alphaOnly && a[alpha] == 0 && b[alpha] == 0) continue;  // colour of clear pixels is moot
    const double d = static_cast<double>(a[i]) - b[i];
    sum += d * d;
    ++count;
  }
  if (sum == 0) return 999;
  return 10 * std::log10(65535.0 * 65535.0 / (sum / count));
}

namespace {
uint32_t BigEndian32(const uint8_t* p) { return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]; }
}  // namespace

TPngChunks ParsePngChunks(const std::vector<uint8_t>& png) {
  TPngChunks chunks;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length = BigEndian32(&png[at]);
    if (length > png.size() - at - 12) throw std::runtime_error("PNG chunk runs past the end");
    const std::string type(png.begin() + at + 4, png.begin() + at + 8);
    const auto payload = png.begin() + at + 8;
    chunks.Types.push_back(type);
    if (type == "IHDR") chunks.Header.assign(payload, payload + length);
    if (type == "IDAT") chunks.ImageData.insert(chunks.ImageData.end(), payload, payload + length);
    at += 12 + length;
  }
  return chunks;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& zlibData) {
  std::vector<uint8_t> out(1 << 16);
  z_stream z{};
  inflateInit(&z);
  z.next_in = const_cast<Bytef*>(zlibData.data());
  z.avail_in = static_cast<uInt>(zlibData.size());
  int status = Z_OK;
  size_t produced = 0;
  while (status == Z_OK) {
    if (produced == out.size()) out.resize(out.size() * 2);
    z.next_out = out.data() + produced;
    z.avail_out = static_cast<uInt>(out.size() - produced);
    status = inflate(&z, Z_NO_FLUSH);
    produced = out.size() - z.avail_out;
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END) throw std::runtime_error("IDAT does not inflate");
  out.resize(produced);
  return out;
}

}  // namespace writer_tests

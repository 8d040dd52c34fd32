#include "ExportSamples.h"

#include <random>

ExportSample RandomByteChannels(TImageFormat format, int32_t w, int32_t h, bool readerSeesFourthByte) {
  const TImageFormatInfo& info = GetFormatInfo(format);
  ExportSample s;
  s.image = RandomImage(format, w, h, static_cast<unsigned>(format) * 31 + static_cast<unsigned>(w));
  for (int32_t i = 0; i < w * h; ++i) {
    const uint8_t* p = &s.image.Bits[static_cast<size_t>(i * info.BytesPerPixel)];
    if (info.HasGrayChannel) {
      s.rgba.insert(s.rgba.end(), {p[0], p[0], p[0], info.HasAlphaChannel ? p[1] : uint8_t{255}});
    } else {
      s.rgba.insert(s.rgba.end(), {p[2], p[1], p[0]});
      s.rgba.push_back(info.BytesPerPixel == 4 && readerSeesFourthByte ? p[3] : 255);
    }
  }
  return s;
}

ExportSample ExtremeBitFields(TImageFormat format, int32_t w, int32_t h, std::array<uint8_t, 4> seen) {
  const TImageFormatInfo& info = GetFormatInfo(format);
  ExportSample s;
  NewImage(w, h, format, s.image);
  for (int32_t i = 0; i < w * h; ++i) {
    const int bits = (i * 7 + i / w) % 16;
    const bool full[4] = {(bits & 4) != 0, (bits & 2) != 0, (bits & 1) != 0, (bits & 8) || !info.HasAlphaChannel};
    const uint32_t word = (full[0] ? info.PixelFormat.R : 0) | (full[1] ? info.PixelFormat.G : 0) |
                          (full[2] ? info.PixelFormat.B : 0) | (full[3] ? info.PixelFormat.A : 0);
    for (int k = 0; k < info.BytesPerPixel; ++k) {
      s.image.Bits[static_cast<size_t>(i * info.BytesPerPixel + k)] = static_cast<uint8_t>(word >> (8 * k));
    }
    for (int k = 0; k < 4; ++k) {
      s.rgba.push_back(full[k] ? (k == 3 && !info.HasAlphaChannel ? 255 : seen[static_cast<size_t>(k)]) : 0);
    }
  }
  return s;
}

TImageData RandomImage(TImageFormat format, int32_t w, int32_t h, unsigned seed) {
  TImageData image;
  NewImage(w, h, format, image);
  std::minstd_rand random(seed);
  for (uint8_t& byte : image.Bits) byte = static_cast<uint8_t>(random());
  return image;
}

std::vector<uint8_t> RunnyBytes(size_t count, unsigned seed) {
  std::minstd_rand random(seed);
  std::vector<uint8_t> bytes;
  while (bytes.size() < count) {
    const size_t length = 1 + random() % (random() % 4 == 0 ? 300 : 6);
    const bool run = random() % 2;
    const uint8_t value = static_cast<uint8_t>(random());
    for (size_t i = 0; i < length && bytes.size() < count; ++i) {
      bytes.push_back(run ? value : static_cast<uint8_t>(random()));
    }
  }
  return bytes;
}

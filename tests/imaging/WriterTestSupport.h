// Shared by the codec-backed writer tests: pattern images, in-memory encoding,
// ImageMagick read-back at 16 bits per channel, PSNR.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "ImageData.h"
#include "ImageFileFormat.h"
#include "Stream.h"

namespace writer_tests {

// Deterministic image content: Noise exercises every bit (lossless checks),
// Smooth is what lossy coders are meant for. Index8 images get a palette whose
// entries differ in every channel, alpha included.
enum class TPattern { Noise, Smooth };
TImageData PatternImage(TImageFormat format, int32_t width, int32_t height, TPattern pattern = TPattern::Noise);

// Converts (as the export would) and encodes image through the format object.
std::vector<uint8_t> Encode(TImageFileFormat& format, const TImageData& image);
std::vector<uint8_t> StreamBytes(TMemoryStream& stream);

// The image's pixels as R, G, B, A at 16 bits, through the catalogue accessors.
std::vector<uint16_t> ExpectedRGBA16(const TImageData& image);

// Reads a picture file with ImageMagick (/usr/bin/convert): R, G, B, A at 16
// bits per pixel, or empty when ImageMagick cannot read it (error set).
std::vector<uint16_t> ReadRGBA16WithImageMagick(const std::filesystem::path& path, std::string* error = nullptr);

// PSNR in dB over the colour channels (or over alpha alone), peak 65535. The
// colour of pixels that are fully transparent on both sides does not count.
double PSNR16(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b, bool alphaOnly = false);

// A stream that refuses every write, for the stream-failure paths.
class TFailingStream : public TStream {
public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
};

// Chunk types of a PNG in file order, and the inflated IDAT data.
struct TPngChunks {
  std::vector<std::string> Types;
  std::vector<uint8_t> Header;  // IHDR payload
  std::vector<uint8_t> ImageData;  // IDAT payloads concatenated (still deflated)
};
TPngChunks ParsePngChunks(const std::vector<uint8_t>& png);
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& zlibData);

}  // namespace writer_tests

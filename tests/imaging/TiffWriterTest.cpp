#include <gtest/gtest.h>

#include <tiffio.h>

#include <memory>

#include "TIFFFormat.h"
#include "TestSupport.h"
#include "WriterTestSupport.h"

using namespace writer_tests;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

struct TiffFile {
  uint16_t samples = 0, bits = 0, sampleFormat = 0, photometric = 0, compression = 0, extraSamples = 0;
  std::vector<uint8_t> pixels;  // every strip decoded, in order
};

// Reads the file back through libtiff's own decoder.
TiffFile ReadTiff(const std::filesystem::path& path) {
  std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(TIFFOpen(path.c_str(), "r"), TIFFClose);
  TiffFile file;
  if (!tiff) return file;
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &file.samples);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &file.bits);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &file.sampleFormat);
  TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &file.photometric);
  TIFFGetField(tiff.get(), TIFFTAG_COMPRESSION, &file.compression);
  uint16_t* extra = nullptr;
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_EXTRASAMPLES, &file.extraSamples, &extra);
  for (uint32_t strip = 0; strip < TIFFNumberOfStrips(tiff.get()); ++strip) {
    std::vector<uint8_t> buffer(static_cast<size_t>(TIFFStripSize(tiff.get())));
    const tmsize_t got = TIFFReadEncodedStrip(tiff.get(), strip, buffer.data(), static_cast<tmsize_t>(buffer.size()));
    if (got < 0) return {};
    file.pixels.insert(file.pixels.end(), buffer.begin(), buffer.begin() + got);
  }
  return file;
}

// The source bytes in TIFF sample order: red first for our blue-first formats.
std::vector<uint8_t> InFileOrder(const TImageData& image, bool blueFirst, int sampleBytes) {
  std::vector<uint8_t> bytes = image.Bits;
  if (!blueFirst) return bytes;
  const size_t pixelBytes = static_cast<size_t>(GetFormatInfo(image.Format).BytesPerPixel);
  for (size_t at = 0; at < bytes.size(); at += pixelBytes)
    std::swap_ranges(bytes.begin() + at, bytes.begin() + at + sampleBytes, bytes.begin() + at + 2 * sampleBytes);
  return bytes;
}

struct TiffCase {
  TImageFormat format;
  uint16_t samples, bits, sampleFormat, photometric;
  bool alpha, blueFirst;
};
// Parameters show in test listings by name.
void PrintTo(const TiffCase& c, std::ostream* os) { *os << GetFormatName(c.format); }

class TiffLayout : public ::testing::TestWithParam<TiffCase> {};

TEST_P(TiffLayout, EveryCompressionKeepsEveryBit) {
  const TiffCase& c = GetParam();
  const TImageData image = PatternImage(c.format, 150, 101);  // several strips for every layout
  TempDir dir;
  for (int compression : {0, 1, 2, 3}) {
    TTIFFFileFormat tiffFormat;
    tiffFormat.FCompression = compression;
    WriteFileBytes(dir / "t.tif", Encode(tiffFormat, image));
    const TiffFile file = ReadTiff(dir / "t.tif");
    SCOPED_TRACE(compression);
    EXPECT_EQ(file.samples, c.samples);
    EXPECT_EQ(file.bits, c.bits);
    EXPECT_EQ(file.sampleFormat, c.sampleFormat);
    EXPECT_EQ(file.photometric, c.photometric);
    EXPECT_EQ(file.extraSamples, c.alpha ? 1 : 0);
    EXPECT_EQ(file.pixels, InFileOrder(image, c.blueFirst, c.bits / 8));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TiffLayout,
    ::testing::Values(TiffCase{TImageFormat::Index8, 1, 8, 1, PHOTOMETRIC_PALETTE, false, false},
                      TiffCase{TImageFormat::Gray8, 1, 8, 1, PHOTOMETRIC_MINISBLACK, false, false},
                      TiffCase{TImageFormat::A8Gray8, 2, 8, 1, PHOTOMETRIC_MINISBLACK, true, false},
                      TiffCase{TImageFormat::Gray16, 1, 16, 1, PHOTOMETRIC_MINISBLACK, false, false},
                      TiffCase{TImageFormat::Gray32, 1, 32, 1, PHOTOMETRIC_MINISBLACK, false, false},
                      TiffCase{TImageFormat::A16Gray16, 2, 16, 1, PHOTOMETRIC_MINISBLACK, true, false},
                      TiffCase{TImageFormat::R8G8B8, 3, 8, 1, PHOTOMETRIC_RGB, false, true},
                      TiffCase{TImageFormat::A8R8G8B8, 4, 8, 1, PHOTOMETRIC_RGB, true, true},
                      TiffCase{TImageFormat::R16G16B16, 3, 16, 1, PHOTOMETRIC_RGB, false, true},
                      TiffCase{TImageFormat::A16R16G16B16, 4, 16, 1, PHOTOMETRIC_RGB, true, true},
                      TiffCase{TImageFormat::R32F, 1, 32, 3, PHOTOMETRIC_MINISBLACK, false, false},
                      TiffCase{TImageFormat::A32R32G32B32F, 4, 32, 3, PHOTOMETRIC_RGB, true, true},
                      TiffCase{TImageFormat::R16F, 1, 16, 3, PHOTOMETRIC_MINISBLACK, false, false},
                      TiffCase{TImageFormat::A16R16G16B16F, 4, 16, 3, PHOTOMETRIC_RGB, true, true}),
    ::testing::PrintToStringParamName());

// An independent reader agrees on the pixels of the integer layouts (a TIFF
// palette has no alpha, so paletted pixels read back opaque).
TEST(TiffWriter, ImageMagickReadsIntegerLayoutsExactly) {
  TempDir dir;
  for (TImageFormat format : {TImageFormat::Index8, TImageFormat::Gray8, TImageFormat::A8Gray8, TImageFormat::Gray16,
                              TImageFormat::A16Gray16, TImageFormat::R8G8B8, TImageFormat::A8R8G8B8,
                              TImageFormat::R16G16B16, TImageFormat::A16R16G16B16}) {
    const TImageData image = PatternImage(format, 11, 5);
    TTIFFFileFormat tiffFormat;
    WriteFileBytes(dir / "t.tif", Encode(tiffFormat, image));
    std::vector<uint16_t> expected = ExpectedRGBA16(image);
    if (format == TImageFormat::Index8)
      for (size_t i = 3; i < expected.size(); i += 4) expected[i] = 65535;
    std::string error;
    EXPECT_EQ(ReadRGBA16WithImageMagick(dir / "t.tif", &error), expected) << GetFormatName(format) << error;
  }
}

struct CompressionCase {
  const char* name;
  int setting;
  TImageFormat format;
  const char* scheme;  // as tiffinfo names it
};
// Parameters show in test listings by name.
void PrintTo(const CompressionCase& c, std::ostream* os) { *os << c.name; }

class TiffCompression : public ::testing::TestWithParam<CompressionCase> {};

TEST_P(TiffCompression, TagFollowsSetting) {
  const CompressionCase& c = GetParam();
  TTIFFFileFormat tiffFormat;
  tiffFormat.FCompression = c.setting;
  TempDir dir;
  WriteFileBytes(dir / "t.tif", Encode(tiffFormat, PatternImage(c.format, 24, 16, TPattern::Smooth)));
  const auto info = RunProgram({"/usr/bin/tiffinfo", (dir / "t.tif").string()});
  EXPECT_NE(info.out.find(std::string("Compression Scheme: ") + c.scheme + "\n"), std::string::npos) << info.out;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, TiffCompression,
    ::testing::Values(CompressionCase{"None", 0, TImageFormat::R8G8B8, "None"},
                      CompressionCase{"Lzw", 1, TImageFormat::R8G8B8, "LZW"},
                      CompressionCase{"PackBits", 2, TImageFormat::A8R8G8B8, "PackBits"},
                      CompressionCase{"Deflate", 3, TImageFormat::Gray16, "Deflate"},
                      CompressionCase{"JpegColour", 4, TImageFormat::R8G8B8, "JPEG"},
                      CompressionCase{"JpegGray", 4, TImageFormat::Gray8, "JPEG"},
                      CompressionCase{"JpegWithAlphaIsLzw", 4, TImageFormat::A8R8G8B8, "LZW"},
                      CompressionCase{"JpegSixteenBitIsLzw", 4, TImageFormat::Gray16, "LZW"},
                      CompressionCase{"JpegPaletteIsLzw", 4, TImageFormat::Index8, "LZW"},
                      CompressionCase{"JpegFloatIsLzw", 4, TImageFormat::R32F, "LZW"},
                      CompressionCase{"OverFourIsLzw", 5, TImageFormat::R8G8B8, "LZW"},
                      CompressionCase{"NegativeIsLzw", -1, TImageFormat::Gray8, "LZW"}),
    ::testing::PrintToStringParamName());

TEST(TiffWriter, JpegCompressedFilesReadBackWithinTolerance) {
  TempDir dir;
  for (TImageFormat format : {TImageFormat::Gray8, TImageFormat::R8G8B8}) {
    const TImageData image = PatternImage(format, 40, 33, TPattern::Smooth);
    TTIFFFileFormat tiffFormat;
    tiffFormat.FCompression = 4;
    WriteFileBytes(dir / "j.tif", Encode(tiffFormat, image));
    EXPECT_GE(PSNR16(ReadRGBA16WithImageMagick(dir / "j.tif"), ExpectedRGBA16(image)), 35.0) << GetFormatName(format);
  }
}

}  // namespace

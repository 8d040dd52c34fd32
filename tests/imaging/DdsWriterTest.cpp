// The DDS writer: every pixel format it takes comes back unchanged through our
// loader, and independent readers see the exact pixels where they can read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "DDSFormat.h"
#include "ExportSamples.h"
#include "PictureReaders.h"
#include "TestSupport.h"

namespace {

using namespace testing_support;
using enum TImageFormat;

uint32_t LE32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

std::vector<uint8_t> SaveToBytes(const TImageData& image) {
  TMemoryStream out;
  TDDSFileFormat().SaveImageToStream(out, image);
  return std::vector<uint8_t>(out.Memory(), out.Memory() + out.Size());
}

TEST(DdsWriter, EveryLoadableFormatComesBackUnchanged) {
  // Pixel-format words at offsets 80 (flags), 84 (FourCC), 88 (bits), 92.. (R, G, B, A masks).
  struct Row {
    TImageFormat format;
    uint32_t flags, fourCC, bits, r, g, b, a;
  };
  const Row rows[] = {
      {DXT1, 0x4, 0x31545844, 0, 0, 0, 0, 0},
      {DXT3, 0x4, 0x33545844, 0, 0, 0, 0, 0},
      {DXT5, 0x4, 0x35545844, 0, 0, 0, 0, 0},
      {ATI1N, 0x4, 0x31495441, 0, 0, 0, 0, 0},
      {ATI2N, 0x4, 0x32495441, 0, 0, 0, 0, 0},
      {A16B16G16R16, 0x4, 36, 0, 0, 0, 0, 0},
      {R16F, 0x4, 111, 0, 0, 0, 0, 0},
      {A16B16G16R16F, 0x4, 113, 0, 0, 0, 0, 0},
      {R32F, 0x4, 114, 0, 0, 0, 0, 0},
      {A32B32G32R32F, 0x4, 116, 0, 0, 0, 0, 0},
      {Gray8, 0x20000, 0, 8, 0xFF, 0, 0, 0},
      {Gray16, 0x20000, 0, 16, 0xFFFF, 0, 0, 0},
      {A8Gray8, 0x20001, 0, 16, 0xFF, 0, 0, 0xFF00},
      {R3G3B2, 0x40, 0, 8, 0xE0, 0x1C, 0x03, 0},
      {R5G6B5, 0x40, 0, 16, 0xF800, 0x07E0, 0x001F, 0},
      {X1R5G5B5, 0x40, 0, 16, 0x7C00, 0x03E0, 0x001F, 0},
      {X4R4G4B4, 0x40, 0, 16, 0x0F00, 0x00F0, 0x000F, 0},
      {A1R5G5B5, 0x41, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
      {A4R4G4B4, 0x41, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
      {R8G8B8, 0x40, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0},
      {X8R8G8B8, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0},
      {A8R8G8B8, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
  };
  for (const Row& row : rows) {
    const std::string name = GetFormatName(row.format);
    const TImageData image = RandomImage(row.format, 12, 8, 3);
    const std::vector<uint8_t> bytes = SaveToBytes(image);
    ASSERT_EQ(bytes.size(), 128u + static_cast<size_t>(image.Size)) << name;
    const uint8_t* h = bytes.data();
    EXPECT_EQ(LE32(h), 0x20534444u) << name;
    EXPECT_EQ(LE32(h + 4), 124u) << name;
    EXPECT_EQ(LE32(h + 8), 0x81007u) << name;
    EXPECT_EQ(LE32(h + 12), 8u) << name;
    EXPECT_EQ(LE32(h + 16), 12u) << name;
    EXPECT_EQ(LE32(h + 20), static_cast<uint32_t>(image.Size)) << name;
    EXPECT_EQ(LE32(h + 28), 0u) << name << " mipmap count";
    EXPECT_EQ(LE32(h + 76), 32u) << name;
    const uint32_t pf[] = {LE32(h + 80), LE32(h + 84), LE32(h + 88), LE32(h + 92), LE32(h + 96), LE32(h + 100),
                           LE32(h + 104)};
    const uint32_t expected[] = {row.flags, row.fourCC, row.bits, row.r, row.g, row.b, row.a};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(pf[k], expected[k]) << name << " pixel-format word " << k;
    EXPECT_EQ(LE32(h + 108), 0x1000u) << name;
    EXPECT_EQ(LE32(h + 112), 0u) << name;

    TMemoryStream in;
    in.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    in.SetPosition(0);
    TDynImageDataArray loaded;
    ASSERT_TRUE(TDDSFileFormat().LoadFromStream(in, loaded, false)) << name;
    ASSERT_EQ(loaded.size(), 1u) << name;
    EXPECT_EQ(loaded[0].Format, row.format) << name;
    EXPECT_EQ(loaded[0].Width, 12) << name;
    EXPECT_EQ(loaded[0].Height, 8) << name;
    EXPECT_TRUE(loaded[0].Bits == image.Bits) << name;
  }
}

// The independent reader's view of a block format: our own decoding, since the
// test data are random blocks.
ExportSample RandomBlocks(TImageFormat format) {
  ExportSample s;
  s.image = RandomImage(format, 16, 8, 9);
  TImageData decoded = s.image;
  ConvertImageFormat(decoded, A8R8G8B8);
  for (size_t i = 0; i < decoded.Bits.size(); i += 4) {
    const uint8_t* p = &decoded.Bits[i];
    s.rgba.insert(s.rgba.end(), {p[2], p[1], p[0], p[3]});
  }
  return s;
}

// Plain formats must match exactly. Block formats may be one step apart (decoders
// round the interpolated colours differently), and where a texel is fully
// transparent only its alpha counts.
TEST(DdsWriter, IndependentReadersSeeThePixels) {
  enum class Kind { ByteChannels, BitFields, Blocks };
  enum class Reader { Pillow, ImageMagick };
  struct Case {
    TImageFormat format;
    Kind kind;
    Reader reader;
  };
  const Case cases[] = {
      {Gray8, Kind::ByteChannels, Reader::Pillow},
      {A8Gray8, Kind::ByteChannels, Reader::Pillow},
      {R8G8B8, Kind::ByteChannels, Reader::Pillow},
      {A8R8G8B8, Kind::ByteChannels, Reader::Pillow},
      {X8R8G8B8, Kind::ByteChannels, Reader::ImageMagick},
      {R5G6B5, Kind::BitFields, Reader::ImageMagick},
      {A4R4G4B4, Kind::BitFields, Reader::ImageMagick},
      {DXT1, Kind::Blocks, Reader::Pillow},
      {DXT3, Kind::Blocks, Reader::Pillow},
      {DXT5, Kind::Blocks, Reader::Pillow},
      {ATI1N, Kind::Blocks, Reader::Pillow},
      {ATI2N, Kind::Blocks, Reader::Pillow},
  };
  TempDir dir;
  std::vector<ExportSample> samples;
  std::vector<std::filesystem::path> paths;
  for (const Case& c : cases) {
    samples.push_back(c.kind == Kind::Blocks      ? RandomBlocks(c.format)
                      : c.kind == Kind::BitFields ? ExtremeBitFields(c.format, 4, 4)
                                                  : RandomByteChannels(c.format, 5, 3, GetFormatInfo(c.format).HasAlphaChannel));
    paths.push_back(dir / (GetFormatName(c.format) + ".dds"));
    WriteFileBytes(paths.back(), SaveToBytes(samples.back().image));
  }
  const std::vector<DecodedPicture> pillow = ReadWithPillow(paths);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(GetFormatName(c.format));
    const DecodedPicture picture = c.reader == Reader::Pillow ? pillow[i] : ReadWithImageMagick(paths[i]);
    ASSERT_TRUE(picture.ok) << picture.error;
    EXPECT_EQ(picture.width, samples[i].image.Width);
    EXPECT_EQ(picture.height, samples[i].image.Height);
    const std::vector<uint8_t>& expected = samples[i].rgba;
    ASSERT_EQ(picture.rgba.size(), expected.size());
    if (c.kind != Kind::Blocks) {
      EXPECT_TRUE(picture.rgba == expected);
      continue;
    }
    int worst = 0;
    for (size_t p = 0; p < expected.size(); p += 4) {
      const size_t channels = expected[p + 3] == 0 ? 1 : 4;
      for (size_t k = 4 - channels; k < 4; ++k) {
        worst = std::max(worst, std::abs(int{picture.rgba[p + k]} - int{expected[p + k]}));
      }
    }
    EXPECT_LE(worst, 1);
  }
}

}  // namespace

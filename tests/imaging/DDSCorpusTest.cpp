// The shared DDS sample files: what loads, with which subimages, and whether the
// decoded main image matches the reference picture decoded by Pillow.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ImagingTestSupport.h"
#include "TestSupport.h"

using namespace imaging_tests;

namespace {

struct TCorpusCase {
  const char* File;
  TImageFormat Format;  // Unknown: not supported, loads nothing
  size_t Subimages;
  int32_t Width, Height;  // of the main image, block-rounded
  const char* Reference;  // PNG beside the file, or nullptr
  int Tolerance;          // per channel
  int32_t ComparedRows;   // rows of the main image the file really holds (0: all)
};
// Parameters show in test listings by name.
void PrintTo(const TCorpusCase& c, std::ostream* os) { *os << c.File; }

const TCorpusCase kCases[] = {
    {"ati1.dds", TImageFormat::ATI1N, 7, 64, 64, "ati1.png", 1, 0},
    {"ati2.dds", TImageFormat::ATI2N, 9, 256, 256, "bc5_unorm.png", 1, 64},
    {"bgr15.dds", TImageFormat::X1R5G5B5, 1, 128, 128, "bgr15.png", 0, 0},
    {"dxt1-rgb-4bbp-noalpha_MipMaps-1.dds", TImageFormat::DXT1, 1, 256, 256, "dxt1-rgb-4bbp-noalpha_MipMaps-1.png", 1, 0},
    {"dxt3-argb-8bbp-explicitalpha_MipMaps-1.dds", TImageFormat::DXT3, 1, 256, 256,
     "dxt3-argb-8bbp-explicitalpha_MipMaps-1.png", 1, 0},
    {"dxt5-argb-8bbp-interpolatedalpha_MipMaps-1.dds", TImageFormat::DXT5, 1, 256, 256,
     "dxt5-argb-8bbp-interpolatedalpha_MipMaps-1.png", 1, 0},
    {"dxt5-colorblock-alpha-issue-4142.dds", TImageFormat::DXT5, 1, 4, 4, nullptr, 0, 0},
    {"hopper.dds", TImageFormat::R8G8B8, 8, 128, 128, "hopper.png", 0, 0},
    {"uncompressed_l.dds", TImageFormat::Gray8, 1, 128, 128, "uncompressed_l.png", 0, 0},
    {"uncompressed_la.dds", TImageFormat::A8Gray8, 1, 128, 128, "uncompressed_la.png", 0, 0},
    {"uncompressed_rgb.dds", TImageFormat::A8R8G8B8, 1, 800, 600, "uncompressed_rgb.png", 0, 0},
    {"zero_mask_totals.dds", TImageFormat::R8G8B8, 1, 1, 1, nullptr, 0, 0},
    {"timeout-c60a3d7314213624607bfb3e38d551a8b24a7435.dds", TImageFormat::R8G8B8, 1, 1, 16777217, nullptr, 0, 0},
    // Pixel formats the loader does not select: false, empty list, no error.
    {"DXGI_FORMAT_BC7_UNORM_SRGB.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"DXGI_FORMAT_R8G8B8A8_UNORM_SRGB.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"argb-32bpp_MipMaps-1.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc1.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc1_typeless.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc4_typeless.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc4_unorm.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc4u.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc5_snorm.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc5_typeless.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc5_unorm.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc5s.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc5u.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc6h.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc6h_sf.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"bc7-argb-8bpp_MipMaps-1.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"palette.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"timeout-52d106579505547091ef69b58341351a37c23e31.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"unimplemented_dxgi_format.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"unimplemented_pfflags.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"unimplemented_pixel_format.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
    {"unsupported_bitcount.dds", TImageFormat::Unknown, 0, 0, 0, nullptr, 0, 0},
};

// A reference picture decoded by Pillow (ctest runs every case in a process of its own).
TRgbaPicture Reference(const char* name) {
  std::string error;
  std::vector<TRgbaPicture> read = ReadRgbaWithPillow({testing_support::CorpusDir() / "dds" / name}, error);
  EXPECT_EQ(error, "");
  return read.empty() ? TRgbaPicture{} : std::move(read[0]);
}

class DDSCorpus : public ::testing::TestWithParam<TCorpusCase> {};

std::string CaseName(const ::testing::TestParamInfo<TCorpusCase>& info) {
  std::string name = info.param.File;
  name = name.substr(0, name.size() > 20 && name.rfind("timeout-", 0) == 0 ? 16 : name.size() - 4);
  for (char& c : name) {
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

TEST_P(DDSCorpus, LoadsAsExpected) {
  const TCorpusCase& c = GetParam();
  const auto dir = testing_support::CorpusDir() / "dds";
  const TLoadResult r = LoadDds(testing_support::ReadFileBytes(dir / c.File));
  ASSERT_EQ(r.Error, "");
  if (c.Format == TImageFormat::Unknown) {
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.Images.empty());
    return;
  }
  ASSERT_TRUE(r.Ok);
  ASSERT_EQ(r.Images.size(), c.Subimages);
  for (const TImageData& image : r.Images) EXPECT_EQ(image.Format, c.Format);
  EXPECT_EQ(r.Images[0].Width, c.Width);
  EXPECT_EQ(r.Images[0].Height, c.Height);
  if (!c.Reference) return;

  const TRgbaPicture reference = Reference(c.Reference);
  const int width = reference.Width, height = reference.Height;
  const std::vector<uint8_t>& expected = reference.Rgba;
  ASSERT_EQ(expected.size(), static_cast<size_t>(width) * height * 4);
  ASSERT_EQ(width, c.Width);
  ASSERT_EQ(height, c.Height);
  TImageData main = r.Images[0];
  ConvertImageFormat(main, TImageFormat::A8R8G8B8);
  const int32_t rows = c.ComparedRows ? c.ComparedRows : height;
  int mismatches = 0;
  for (int32_t y = 0; y < height && mismatches < 5; ++y) {
    for (int32_t x = 0; x < width && mismatches < 5; ++x) {
      const size_t i = (static_cast<size_t>(y) * width + x) * 4;
      const uint8_t* ours = &main.Bits[i];  // B, G, R, A
      uint8_t want[4] = {expected[i + 2], expected[i + 1], expected[i], expected[i + 3]};
      if (y >= rows) {
        // Beyond what the file announces the blocks stay zero: red and green 0.
        want[0] = want[1] = want[2] = 0;
        want[3] = 255;
      }
      // Fully transparent texels: the reference may have dropped their colour.
      const int first = want[3] == 0 ? 3 : 0;
      for (int k = first; k < 4; ++k) {
        if (std::abs(ours[k] - want[k]) > c.Tolerance) {
          ADD_FAILURE() << c.File << " texel (" << x << "," << y << ") channel " << k << ": ours " << int(ours[k])
                        << ", reference " << int(want[k]);
          ++mismatches;
          break;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, DDSCorpus, ::testing::ValuesIn(kCases), CaseName);

// Files that fail the header test raise the header-test error quickly.
TEST(DDSCorpusHeaderTest, TimeoutFilesWithoutTextureBitAreRejected) {
  for (const char* file : {"timeout-041dd17dfde800360a47a172269df127af138c6b.dds",
                           "timeout-755a4d204f4208e3597ac3391edebee196462bd0.dds"}) {
    const TLoadResult r = LoadDds(testing_support::ReadFileBytes(testing_support::CorpusDir() / "dds" / file));
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.Images.empty());
    EXPECT_NE(r.Error.find("does not contain valid image in \"DirectDraw Surface\" format."), std::string::npos)
        << r.Error;
  }
}

}  // namespace

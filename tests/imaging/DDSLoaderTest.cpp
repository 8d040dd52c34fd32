// The DDS loader with files built in the test: pixel-format selection row by
// row, subimage layouts, read modes, failure texts and hostile headers.
#include <gtest/gtest.h>

#include <regex>

#include "DdsMaker.h"
#include "ImagingTestSupport.h"

using namespace imaging_tests;

namespace {

using F = TImageFormat;

// ---- Pixel-format selection ------------------------------------------------

struct TSelectionCase {
  const char* Name;
  uint32_t PfFlags, FourCC, Bits, R, G, B, A;
  F Expected;  // Unknown: nothing selected
  bool Swapped;
};
// Parameters show in test listings by name.
void PrintTo(const TSelectionCase& c, std::ostream* os) { *os << c.Name; }

constexpr uint32_t kFourCC = dds::kPfFourCC, kRGB = dds::kPfRGB, kAlpha = dds::kPfAlphaPixels,
                   kLum = dds::kPfLuminance, kBumpLum = dds::kPfBumpLuminance, kDuDv = dds::kPfBumpDuDv;

const TSelectionCase kSelection[] = {
    {"DXT1", kFourCC, DdsFourCC("DXT1"), 0, 0, 0, 0, 0, F::DXT1, false},
    {"DXT3", kFourCC, DdsFourCC("DXT3"), 0, 0, 0, 0, 0, F::DXT3, false},
    {"DXT5", kFourCC, DdsFourCC("DXT5"), 0, 0, 0, 0, 0, F::DXT5, false},
    {"ATI1", kFourCC, DdsFourCC("ATI1"), 0, 0, 0, 0, 0, F::ATI1N, false},
    {"ATI2", kFourCC, DdsFourCC("ATI2"), 0, 0, 0, 0, 0, F::ATI2N, false},
    {"FourCC36", kFourCC, 36, 0, 0, 0, 0, 0, F::A16B16G16R16, false},
    {"FourCC111", kFourCC, 111, 0, 0, 0, 0, 0, F::R16F, false},
    {"FourCC113", kFourCC, 113, 0, 0, 0, 0, 0, F::A16B16G16R16F, false},
    {"FourCC114", kFourCC, 114, 0, 0, 0, 0, 0, F::R32F, false},
    {"FourCC116", kFourCC, 116, 0, 0, 0, 0, 0, F::A32B32G32R32F, false},
    {"DXT2", kFourCC, DdsFourCC("DXT2"), 0, 0, 0, 0, 0, F::Unknown, false},
    {"DXT4", kFourCC, DdsFourCC("DXT4"), 0, 0, 0, 0, 0, F::Unknown, false},
    {"DX10", kFourCC, DdsFourCC("DX10"), 0, 0, 0, 0, 0, F::Unknown, false},
    // The first group whose flag is set decides, even when it matches nothing.
    {"FourCCGroupWinsOverRGB", kFourCC | kRGB, DdsFourCC("DX10"), 24, 0xFF0000, 0xFF00, 0xFF, 0, F::Unknown, false},
    {"A4R4G4B4", kRGB | kAlpha, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000, F::A4R4G4B4, false},
    {"A1R5G5B5", kRGB | kAlpha, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000, F::A1R5G5B5, false},
    {"Alpha16OtherMasks", kRGB | kAlpha, 0, 16, 0xF800, 0x07E0, 0x001F, 0, F::Unknown, false},
    {"A8R8G8B8", kRGB | kAlpha, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, F::A8R8G8B8, false},
    {"A8B8G8R8Swapped", kRGB | kAlpha, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, F::A8R8G8B8, true},
    {"R3G3B2", kRGB, 0, 8, 0xE0, 0x1C, 0x03, 0, F::R3G3B2, false},
    {"X4R4G4B4", kRGB, 0, 16, 0x0F00, 0x00F0, 0x000F, 0, F::X4R4G4B4, false},
    {"X1R5G5B5", kRGB, 0, 16, 0x7C00, 0x03E0, 0x001F, 0, F::X1R5G5B5, false},
    {"R5G6B5", kRGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0, F::R5G6B5, false},
    {"A1R5G5B5MasksWithoutAlphaFlag", kRGB, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000, F::Unknown, false},
    {"R8G8B8MasksIgnored", kRGB, 0, 24, 0, 0, 0, 0, F::R8G8B8, false},
    {"X8R8G8B8", kRGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, F::X8R8G8B8, false},
    {"X8B8G8R8Swapped", kRGB, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0, F::X8R8G8B8, true},
    {"RGB48Unsupported", kRGB, 0, 48, 0, 0, 0, 0, F::Unknown, false},
    {"A8L8", kLum | kAlpha, 0, 16, 0xFF, 0, 0, 0xFF00, F::A8Gray8, false},
    {"L8", kLum, 0, 8, 0xFF, 0, 0, 0, F::Gray8, false},
    {"L16", kLum, 0, 16, 0xFFFF, 0, 0, 0, F::Gray16, false},
    {"L8WithAlphaFlag", kLum | kAlpha, 0, 8, 0xFF, 0, 0, 0, F::Unknown, false},
    {"BumpLuminance", kBumpLum, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0, F::X8R8G8B8, true},
    {"BumpLuminanceOtherBlue", kBumpLum, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, F::Unknown, false},
    {"DuDv16", kDuDv, 0, 16, 0xFF, 0xFF00, 0, 0, F::A8Gray8, false},
    {"DuDv32", kDuDv, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, F::A8R8G8B8, true},
    {"DuDv32NoAlphaMask", kDuDv, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0, F::Unknown, false},
    {"DuDv64", kDuDv, 0, 64, 0, 0, 0, 0, F::A16B16G16R16, false},
    {"NoFlags", 0, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, F::Unknown, false},
};

class Selection : public ::testing::TestWithParam<TSelectionCase> {};

TEST_P(Selection, PicksTheRowsFormat) {
  const TSelectionCase& c = GetParam();
  TDdsHeader h = DdsMaskHeader(1, 1, c.PfFlags, c.Bits, c.R, c.G, c.B, c.A);
  h.FourCC = c.FourCC;
  std::vector<uint8_t> payload(64);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i + 1);
  const TLoadResult r = LoadDds(BuildDds(h, payload));
  ASSERT_EQ(r.Error, "");
  if (c.Expected == F::Unknown) {
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.Images.empty());
    return;
  }
  ASSERT_TRUE(r.Ok);
  ASSERT_EQ(r.Images.size(), 1u);
  EXPECT_EQ(r.Images[0].Format, c.Expected);
  const std::vector<uint8_t>& bits = r.Images[0].Bits;
  if (c.Swapped) {
    EXPECT_EQ(std::vector<uint8_t>(bits.begin(), bits.begin() + 4), (std::vector<uint8_t>{3, 2, 1, 4}));
  } else {
    EXPECT_EQ(bits, std::vector<uint8_t>(payload.begin(), payload.begin() + bits.size()));
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, Selection, ::testing::ValuesIn(kSelection),
                         ::testing::PrintToStringParamName());

// ---- Subimage count, order and dimensions ---------------------------------

struct TLayoutCase {
  const char* Name;
  F Format;
  int32_t W, H, MipMaps, Depth;
  uint32_t ExtraFlags, Caps2;
  std::vector<std::pair<int32_t, int32_t>> Sizes;
  bool CubeMap, Volume;
  int32_t LoadedMipMaps, LoadedDepth;
};
// Parameters show in test listings by name.
void PrintTo(const TLayoutCase& c, std::ostream* os) { *os << c.Name; }

constexpr uint32_t kCube = dds::kCaps2CubeMap, kVolume = dds::kCaps2Volume, kDepthFlag = dds::kFlagDepth;

std::vector<std::pair<int32_t, int32_t>> Repeat(std::vector<std::pair<int32_t, int32_t>> face, int times) {
  std::vector<std::pair<int32_t, int32_t>> all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), face.begin(), face.end());
  return all;
}

const TLayoutCase kLayouts[] = {
    {"Dxt1NineLevels", F::DXT1, 256, 256, 9, 0, 0, 0,
     {{256, 256}, {128, 128}, {64, 64}, {32, 32}, {16, 16}, {8, 8}, {4, 4}, {4, 4}, {4, 4}}, false, false, 9, 1},
    {"OddSizesHalveDownToOne", F::R8G8B8, 5, 3, 4, 0, 0, 0, {{5, 3}, {2, 1}, {1, 1}, {1, 1}}, false, false, 4, 1},
    {"MipMapCountOne", F::Gray8, 8, 8, 1, 0, 0, 0, {{8, 8}}, false, false, 1, 1},
    {"MipMapCountZero", F::Gray8, 8, 8, 0, 0, 0, 0, {{8, 8}}, false, false, 1, 1},
    {"MipMapCountNegative", F::Gray8, 8, 8, -3, 0, 0, 0, {{8, 8}}, false, false, 1, 1},
    {"CubeSixFacesThreeLevels", F::Gray8, 8, 8, 3, 0, 0, kCube | dds::kCaps2AllFaces,
     Repeat({{8, 8}, {4, 4}, {2, 2}}, 6), true, false, 3, 6},
    {"CubeTwoFaces", F::Gray8, 8, 8, 3, 0, 0, kCube | 0x400 | 0x2000, Repeat({{8, 8}, {4, 4}, {2, 2}}, 2), true,
     false, 3, 2},
    {"CubeOneLevelPerFace", F::Gray8, 4, 4, 0, 0, 0, kCube | 0x800 | 0x1000 | 0x4000, Repeat({{4, 4}}, 3), true,
     false, 1, 3},
    {"VolumeDepthFourThreeLevels", F::Gray8, 8, 8, 3, 4, kDepthFlag, kVolume,
     {{8, 8}, {8, 8}, {8, 8}, {8, 8}, {4, 4}, {4, 4}, {2, 2}}, false, true, 3, 4},
    {"VolumePastOneByOne", F::Gray8, 2, 2, 4, 2, kDepthFlag, kVolume, {{2, 2}, {2, 2}, {1, 1}, {1, 1}, {1, 1}}, false,
     true, 4, 2},
    {"VolumeCapsWithoutDepthFlag", F::Gray8, 4, 4, 1, 4, 0, kVolume, {{4, 4}}, false, false, 1, 1},
    {"CubeWithoutFaces", F::Gray8, 4, 4, 1, 0, 0, kCube, {}, true, false, 1, 0},
    {"VolumeOfDepthZero", F::Gray8, 4, 4, 1, 0, kDepthFlag, kVolume, {}, false, true, 1, 0},
};

class Layout : public ::testing::TestWithParam<TLayoutCase> {};

TEST_P(Layout, SubimagesInFileOrder) {
  const TLayoutCase& c = GetParam();
  TDdsHeader h = c.Format == F::DXT1 ? DdsFourCCHeader(c.W, c.H, DdsFourCC("DXT1"), 0)
                                     : DdsMaskHeader(c.W, c.H, dds::kPfLuminance, 8, 0xFF, 0, 0, 0);
  if (c.Format == F::R8G8B8) h = DdsMaskHeader(c.W, c.H, dds::kPfRGB, 24, 0, 0, 0, 0);
  h.MipMapCount = static_cast<uint32_t>(c.MipMaps);
  h.Depth = static_cast<uint32_t>(c.Depth);
  h.Flags |= c.ExtraFlags;
  h.Caps2 = c.Caps2;
  const TLoadResult r = LoadDds(BuildDds(h, {}));
  ASSERT_EQ(r.Error, "");
  EXPECT_EQ(r.Ok, !c.Sizes.empty());
  std::vector<std::pair<int32_t, int32_t>> sizes;
  for (const TImageData& image : r.Images) sizes.emplace_back(image.Width, image.Height);
  EXPECT_EQ(sizes, c.Sizes);
  EXPECT_EQ(r.CubeMap, c.CubeMap);
  EXPECT_EQ(r.Volume, c.Volume);
  if (r.Ok) {
    EXPECT_EQ(r.MipMapCount, c.LoadedMipMaps);
    EXPECT_EQ(r.Depth, c.LoadedDepth);
  }
}

INSTANTIATE_TEST_SUITE_P(Headers, Layout, ::testing::ValuesIn(kLayouts),
                         ::testing::PrintToStringParamName());

// ---- Reading the pixel data -----------------------------------------------

struct TReadCase {
  const char* Name;
  TDdsHeader Header;
  std::vector<uint8_t> Payload;
  std::vector<std::vector<uint8_t>> Subimages;  // expected bytes of each
};
// Parameters show in test listings by name.
void PrintTo(const TReadCase& c, std::ostream* os) { *os << c.Name; }

std::vector<uint8_t> Count(int n, int from = 1) {
  std::vector<uint8_t> v(n);
  for (int i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(from + i);
  return v;
}

TDdsHeader Gray(int32_t w, int32_t h, uint32_t flags, uint32_t value, uint32_t levels = 0) {
  TDdsHeader header = DdsMaskHeader(w, h, dds::kPfLuminance, 8, 0xFF, 0, 0, 0);
  header.Flags = 0x1007 | flags;
  header.PitchOrLinearSize = value;
  header.MipMapCount = levels;
  return header;
}

TDdsHeader Rgb(int32_t w, int32_t h, uint32_t flags, uint32_t value) {
  TDdsHeader header = DdsMaskHeader(w, h, dds::kPfRGB, 24, 0xFF0000, 0xFF00, 0xFF, 0);
  header.Flags = 0x1007 | flags;
  header.PitchOrLinearSize = value;
  return header;
}

TDdsHeader Dxt1(int32_t w, int32_t h, uint32_t flags, uint32_t value) {
  TDdsHeader header = DdsFourCCHeader(w, h, DdsFourCC("DXT1"), value);
  header.Flags = 0x1007 | flags;
  return header;
}

constexpr uint32_t kLinear = dds::kFlagLinearSize, kPitch = dds::kFlagPitch;

const TReadCase kReads[] = {
    {"LinearWholeLevels", Gray(2, 2, kLinear, 4, 2), Count(5), {{1, 2, 3, 4}, {5}}},
    // A smaller linear size is read as announced; the rest stays zero and the next level follows on.
    {"LinearSizeShort", Gray(2, 2, kLinear, 2, 2), Count(5), {{1, 2, 0, 0}, {3}}},
    // A larger one is read only as far as the image goes.
    {"LinearSizeTooLarge", Gray(2, 2, kLinear, 100, 2), Count(5), {{1, 2, 3, 4}, {5}}},
    {"NeitherFlagIsLinear", Gray(2, 2, 0, 0, 2), Count(5), {{1, 2, 3, 4}, {5}}},
    {"PitchPaddedRows", Rgb(1, 2, kPitch, 5), Count(10), {{1, 2, 3, 6, 7, 8}}},
    {"PitchZeroRoundsRowToFour", Rgb(1, 2, kPitch, 0), Count(8), {{1, 2, 3, 5, 6, 7}}},
    {"PitchEqualToRow", Rgb(2, 2, kPitch, 6), Count(12), {Count(12)}},
    {"PitchShorterThanRow", Rgb(2, 2, kPitch, 2), Count(12), {Count(12)}},
    // Block formats: the pitch counts bytes per row of blocks.
    {"BlockPitchPadded", Dxt1(8, 4, kPitch, 20), Count(20), {Count(16)}},
    {"BlockPitchNatural", Dxt1(8, 8, kPitch, 16), Count(32), {Count(32)}},
    {"BlockLinearShort", Dxt1(8, 4, kLinear, 8), Count(16), {[] { auto v = Count(8); v.resize(16); return v; }()}},
    {"TruncatedLeavesZeros", Gray(2, 2, kLinear, 0, 2), Count(3), {{1, 2, 3, 0}, {0}}},
};

class Reading : public ::testing::TestWithParam<TReadCase> {};

TEST_P(Reading, SubimageBytes) {
  const TReadCase& c = GetParam();
  const TLoadResult r = LoadDds(BuildDds(c.Header, c.Payload));
  ASSERT_EQ(r.Error, "");
  ASSERT_TRUE(r.Ok);
  ASSERT_EQ(r.Images.size(), c.Subimages.size());
  for (size_t i = 0; i < r.Images.size(); ++i) EXPECT_EQ(r.Images[i].Bits, c.Subimages[i]) << "subimage " << i;
}

INSTANTIATE_TEST_SUITE_P(Modes, Reading, ::testing::ValuesIn(kReads),
                         ::testing::PrintToStringParamName());

TEST(DDSLoader, TruncatedTexturesDecodeAsZeroBlocks) {
  TLoadResult argb = LoadDds(MakeArgbDds(std::vector<uint8_t>(16, 0xFF), 2, 2));
  std::vector<uint8_t> truncated = BuildDds(Dxt1(4, 4, kLinear, 8), {});
  TLoadResult dxt1 = LoadDds(truncated);
  truncated = BuildDds(DdsMaskHeader(2, 2, dds::kPfRGB | dds::kPfAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF,
                                     0xFF000000), {9, 9, 9, 9});
  TLoadResult short32 = LoadDds(truncated);
  ASSERT_TRUE(dxt1.Ok && short32.Ok && argb.Ok);
  ConvertImageFormat(dxt1.Images[0], F::A8R8G8B8);
  EXPECT_EQ(std::vector<uint8_t>(dxt1.Images[0].Bits.begin(), dxt1.Images[0].Bits.begin() + 4),
            (std::vector<uint8_t>{0, 0, 0, 255}));  // opaque black
  EXPECT_EQ(short32.Images[0].Bits, (std::vector<uint8_t>{9, 9, 9, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// ---- Failures -------------------------------------------------------------

struct TFailureCase {
  const char* Name;
  std::vector<uint8_t> Bytes;
  std::string Inner;  // the text after "Exception Message: "
};
// Parameters show in test listings by name.
void PrintTo(const TFailureCase& c, std::ostream* os) { *os << c.Name; }

std::vector<uint8_t> WithoutTextureBit() {
  TDdsHeader h = Gray(4, 4, 0, 0);
  h.Caps1 = 0x8;
  return BuildDds(h, Count(16));
}

std::vector<uint8_t> WrongMagic() {
  TDdsHeader h = Gray(4, 4, 0, 0);
  h.Magic = 0x20534443;
  return BuildDds(h, Count(16));
}

std::vector<uint8_t> Hostile(int32_t w, int32_t h, uint32_t fourCC, uint32_t levels, uint32_t caps2 = 0) {
  TDdsHeader header = DdsFourCCHeader(w, h, fourCC, 0);
  header.MipMapCount = levels;
  header.Caps2 = caps2;
  return BuildDds(header, {});
}

std::vector<uint8_t> DeepVolume() {
  TDdsHeader h = Gray(1, 1, kDepthFlag, 0);
  h.Depth = 0x7FFFFFFF;
  h.Caps2 = kVolume;
  return BuildDds(h, {});
}

const std::string kNotDds = "Stream %p does not contain valid image in \"DirectDraw Surface\" format.";

const TFailureCase kFailures[] = {
    {"NoTextureBit", WithoutTextureBit(), kNotDds},
    {"WrongMagic", WrongMagic(), kNotDds},
    {"ShortHeader", [] { auto v = BuildDds(Gray(4, 4, 0, 0), {}); v.resize(127); return v; }(), kNotDds},
    {"Empty", {}, kNotDds},
    {"HugeFloatTexture", Hostile(65535, 65535, 116, 16),
     "Error while creating image data with params: Width=65535 Height=65535 Format=A32B32G32R32F."},
    // Each face fits the per-image cap; together they pass the per-texture cap at the fifth face.
    {"HugeCubeMap", Hostile(4096, 4096, 116, 1, kCube | dds::kCaps2AllFaces),
     "Error while creating image data with params: Width=4096 Height=4096 Format=A32B32G32R32F."},
    {"TooManySlices", DeepVolume(), "Error while creating image data with params: Width=1 Height=1 Format=Gray8."},
    {"WidthZero", BuildDds(Gray(0, 4, 0, 0), Count(4)),
     "Error while creating image data with params: Width=0 Height=4 Format=Gray8."},
    {"WidthNegative", BuildDds(Dxt1(-1, 4, 0, 0), Count(4)),
     "Error while creating image data with params: Width=-1 Height=4 Format=DXT1."},
};

class Failures : public ::testing::TestWithParam<TFailureCase> {};

TEST_P(Failures, RaiseNestedTextAndRestoreStream) {
  const TFailureCase& c = GetParam();
  std::vector<uint8_t> bytes = {0xAA, 0xBB, 0xCC};  // the load starts mid-stream
  bytes.insert(bytes.end(), c.Bytes.begin(), c.Bytes.end());
  const TLoadResult r = LoadDds(bytes, 3);
  EXPECT_FALSE(r.Ok);
  EXPECT_TRUE(r.Images.empty());
  EXPECT_EQ(r.StreamPositionAfter, 3);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(r.Error, m,
                               std::regex(R"(Error while loading images from stream ([0-9A-F]{8}) \(file format: dds\)\. Exception Message: (.*))")))
      << r.Error;
  std::string inner = c.Inner;
  if (const size_t at = inner.find("%p"); at != std::string::npos) inner.replace(at, 2, m[1].str());
  EXPECT_EQ(m[2].str(), inner);
}

INSTANTIATE_TEST_SUITE_P(Headers, Failures, ::testing::ValuesIn(kFailures),
                         ::testing::PrintToStringParamName());

TEST(DDSLoader, TestFormatLeavesPositionAndChecksHeader) {
  TDDSFileFormat format;
  for (const auto& [bytes, want] : {std::pair{WithoutTextureBit(), false}, std::pair{WrongMagic(), false},
                                    std::pair{BuildDds(Gray(4, 4, 0, 0), {}), true}}) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    EXPECT_EQ(format.TestFormat(stream), want);
    EXPECT_EQ(stream.Position(), 0);
  }
}

// Every prefix of a valid texture loads cleanly: an error below 128 bytes, zero-filled subimages above.
TEST(DDSLoader, TruncationSweep) {
  std::vector<uint8_t> pixels(16 * 16 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 13);
  for (F format : {F::DXT1, F::DXT5}) {
    const std::vector<uint8_t> file = MakeBlockDds(format, pixels, 16, 16, 0);
    for (size_t length = 0; length <= file.size(); ++length) {
      const TLoadResult r = LoadDds(std::vector<uint8_t>(file.begin(), file.begin() + length));
      if (length < 128) {
        EXPECT_FALSE(r.Ok);
        EXPECT_FALSE(r.Error.empty());
      } else {
        ASSERT_TRUE(r.Ok) << length;
        EXPECT_EQ(r.Images.size(), 5u);
      }
    }
  }
}

}  // namespace

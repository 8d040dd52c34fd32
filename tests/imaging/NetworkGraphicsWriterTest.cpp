// MNG and JNG files read back by ImageMagick, their container structure, and
// the two content tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "JNGFormat.h"
#include "MNGFormat.h"
#include "TestSupport.h"
#include "WriterReadBack.h"

namespace {

using namespace writer_readback;
using F = TImageFormat;

uint32_t BE32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

struct Chunk {
  std::string Type;
  std::vector<uint8_t> Data;
};

// The chunks after the 8-byte signature (pngcheck checks lengths and CRCs).
std::vector<Chunk> Chunks(const std::vector<uint8_t>& file) {
  std::vector<Chunk> chunks;
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint32_t length = std::min<uint32_t>(BE32(file, at), static_cast<uint32_t>(file.size() - at - 12));
    chunks.push_back({std::string(file.begin() + at + 4, file.begin() + at + 8),
                      std::vector<uint8_t>(file.begin() + at + 8, file.begin() + at + 8 + length)});
    at += 12 + length;
  }
  return chunks;
}

// Chunk types in order, a run of one type (IDAT, JDAT) counted once.
std::vector<std::string> TypesOf(const std::vector<Chunk>& chunks) {
  std::vector<std::string> types;
  for (const Chunk& c : chunks) {
    if (types.empty() || types.back() != c.Type) types.push_back(c.Type);
  }
  return types;
}

::testing::AssertionResult PngcheckAccepts(const std::filesystem::path& file) {
  const auto run = testing_support::RunProgram({"/usr/bin/pngcheck", "-q", file.string()});
  if (run.exitCode == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pngcheck: " << run.out << run.err;
}

// ---- MNG ----

struct MngCase {
  const char* Name;
  F Format;
  bool PaletteAlpha;
  bool Transparent;  // simplicity profile bit 3
  std::vector<std::string> Chunks;
};

void PrintTo(const MngCase& c, std::ostream* os) { *os << c.Name; }

const MngCase kMngCases[] = {
    {"Gray8", F::Gray8, false, false, {"MHDR", "IHDR", "IDAT", "IEND", "MEND"}},
    {"A16Gray16", F::A16Gray16, false, true, {"MHDR", "IHDR", "IDAT", "IEND", "MEND"}},
    {"Index8", F::Index8, false, false, {"MHDR", "IHDR", "PLTE", "IDAT", "IEND", "MEND"}},
    {"Index8PaletteAlpha", F::Index8, true, true, {"MHDR", "IHDR", "PLTE", "tRNS", "IDAT", "IEND", "MEND"}},
    {"R8G8B8", F::R8G8B8, false, false, {"MHDR", "IHDR", "IDAT", "IEND", "MEND"}},
    {"A8R8G8B8", F::A8R8G8B8, false, true, {"MHDR", "IHDR", "IDAT", "IEND", "MEND"}},
    {"A16B16G16R16", F::A16B16G16R16, false, true, {"MHDR", "IHDR", "IDAT", "IEND", "MEND"}},
};

class MngWriter : public ::testing::TestWithParam<MngCase> {};

TEST_P(MngWriter, OneImageBetweenHeaderAndEnd) {
  const MngCase& c = GetParam();
  testing_support::TempDir dir;
  TMNGFileFormat writer;
  const TImageData image = MakePatternImage(c.Format, 7, 5, c.PaletteAlpha);
  const auto bytes = WritePicture(writer, image, dir / "t.mng");

  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::memcmp(bytes.data(), "\x8AMNG\r\n\x1A\n", 8), 0);
  const auto chunks = Chunks(bytes);
  EXPECT_EQ(TypesOf(chunks), c.Chunks);
  ASSERT_FALSE(chunks.empty());
  ASSERT_EQ(chunks[0].Data.size(), 28u);
  EXPECT_EQ(BE32(chunks[0].Data, 0), 7u);
  EXPECT_EQ(BE32(chunks[0].Data, 4), 5u);
  EXPECT_EQ(BE32(chunks[0].Data, 24), c.Transparent ? 9u : 1u);

  EXPECT_TRUE(PngcheckAccepts(dir / "t.mng"));
  EXPECT_TRUE(SamePixels(ReadWithMagick16(dir / "t.mng"), 7, 5, ExpectedPixels(image)));
}

INSTANTIATE_TEST_SUITE_P(Layouts, MngWriter, ::testing::ValuesIn(kMngCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---- JNG ----

// Smooth colour (JPEG's home ground) with an alpha channel full of detail.
TImageData SmoothImage(F format, int32_t width, int32_t height) {
  TImageData image;
  NewImage(width, height, format, image);
  const TImageFormatInfo& info = GetFormatInfo(format);
  uint8_t* pixel = image.Bits.data();
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x, pixel += info.BytesPerPixel) {
      const uint16_t r = static_cast<uint16_t>(x * 65535 / width), g = static_cast<uint16_t>(y * 65535 / height);
      const uint16_t b = static_cast<uint16_t>((x + y) * 65535 / (width + height));
      const uint16_t a = static_cast<uint16_t>(((x * 7 + y * 13) % 17) * 4000);
      info.SetPixel64(pixel, info, {b, g, r, a});
    }
  }
  return image;
}

struct JngCase {
  const char* Name;
  F Format;
  bool LossyAlpha;
  bool Progressive;
  uint8_t ColorType, Interlace, AlphaDepth, AlphaCompression;
  std::vector<std::string> Chunks;
};

void PrintTo(const JngCase& c, std::ostream* os) { *os << c.Name; }

const JngCase kJngCases[] = {
    {"Gray8", F::Gray8, false, false, 8, 0, 0, 0, {"JHDR", "JDAT", "IEND"}},
    {"A8Gray8", F::A8Gray8, false, false, 12, 0, 8, 0, {"JHDR", "JDAT", "IDAT", "IEND"}},
    {"R8G8B8", F::R8G8B8, false, false, 10, 0, 0, 0, {"JHDR", "JDAT", "IEND"}},
    {"R8G8B8Progressive", F::R8G8B8, false, true, 10, 8, 0, 0, {"JHDR", "JDAT", "IEND"}},
    {"A8R8G8B8", F::A8R8G8B8, false, false, 14, 0, 8, 0, {"JHDR", "JDAT", "IDAT", "IEND"}},
    {"A8R8G8B8LossyAlpha", F::A8R8G8B8, true, false, 14, 0, 8, 8, {"JHDR", "JDAT", "JDAA", "IEND"}},
};

class JngWriter : public ::testing::TestWithParam<JngCase> {};

TEST_P(JngWriter, ColourAsJpegAlphaAsAsked) {
  const JngCase& c = GetParam();
  testing_support::TempDir dir;
  TJNGFileFormat writer;
  writer.FLossyAlpha = c.LossyAlpha;
  writer.FProgressive = c.Progressive;
  const TImageData image = SmoothImage(c.Format, 48, 32);
  const auto bytes = WritePicture(writer, image, dir / "t.jng");

  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::memcmp(bytes.data(), "\x8BJNG\r\n\x1A\n", 8), 0);
  const auto chunks = Chunks(bytes);
  EXPECT_EQ(TypesOf(chunks), c.Chunks);
  ASSERT_FALSE(chunks.empty());
  const std::vector<uint8_t>& header = chunks[0].Data;
  ASSERT_EQ(header.size(), 16u);
  EXPECT_EQ(BE32(header, 0), 48u);
  EXPECT_EQ(BE32(header, 4), 32u);
  EXPECT_EQ(header[8], c.ColorType);
  EXPECT_EQ(header[9], 8);   // sample depth
  EXPECT_EQ(header[10], 8);  // JPEG
  EXPECT_EQ(header[11], c.Interlace);
  EXPECT_EQ(header[12], c.AlphaDepth);
  EXPECT_EQ(header[13], c.AlphaCompression);

  // pngcheck predates the JPEG-compressed alpha (method 8) and rejects it.
  if (!c.LossyAlpha) EXPECT_TRUE(PngcheckAccepts(dir / "t.jng"));
  const auto expected = ExpectedPixels(image);
  const TDecoded decoded = ReadWithMagick16(dir / "t.jng");
  ASSERT_TRUE(decoded.Ok) << decoded.Error;
  ASSERT_EQ(decoded.Width, 48);
  ASSERT_EQ(decoded.Height, 32);
  EXPECT_GE(ColorPSNR(decoded, expected), 35.0);
  if (c.AlphaDepth == 0 || c.LossyAlpha) return;
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(decoded.Pixels[i].A, expected[i].A) << "alpha of pixel " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, JngWriter, ::testing::ValuesIn(kJngCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---- Content tests ----

struct ContentCase {
  const char* Name;
  std::string Bytes;
  bool Mng, Jng;
};

void PrintTo(const ContentCase& c, std::ostream* os) { *os << c.Name; }

std::string FileStart(const char* signature, uint32_t length, const char* type) {
  std::string s(signature, 8);
  s += std::string{0, 0, 0, static_cast<char>(length)} + type;
  return s + std::string(40, '\0');
}

const ContentCase kContentCases[] = {
    {"Mng", FileStart("\x8AMNG\r\n\x1A\n", 28, "MHDR"), true, false},
    {"Jng", FileStart("\x8BJNG\r\n\x1A\n", 16, "JHDR"), false, true},
    {"Png", FileStart("\x89PNG\r\n\x1A\n", 13, "IHDR"), false, false},
    {"Dds", "DDS " + std::string(124, '\0'), false, false},
    {"MngSignatureOnly", std::string("\x8AMNG\r\n\x1A\n", 8), false, false},
    {"JngWithoutHeaderChunk", FileStart("\x8BJNG\r\n\x1A\n", 16, "JDAT"), false, false},
    {"Empty", "", false, false},
};

class NetworkGraphicsContent : public ::testing::TestWithParam<ContentCase> {};

TEST_P(NetworkGraphicsContent, AcceptsOnlyItsOwnStartAndKeepsThePosition) {
  const ContentCase& c = GetParam();
  TMemoryStream stream;
  stream.WriteBuffer("xy", 2);  // the test starts at the stream's position, not at 0
  stream.WriteBuffer(c.Bytes.data(), static_cast<int64_t>(c.Bytes.size()));
  stream.SetPosition(2);
  TMNGFileFormat mng;
  TJNGFileFormat jng;
  EXPECT_EQ(mng.TestFormat(stream), c.Mng);
  EXPECT_EQ(stream.Position(), 2);
  EXPECT_EQ(jng.TestFormat(stream), c.Jng);
  EXPECT_EQ(stream.Position(), 2);
}

INSTANTIATE_TEST_SUITE_P(Starts, NetworkGraphicsContent, ::testing::ValuesIn(kContentCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// What the writers make, their own content tests accept.
TEST(NetworkGraphicsContent, AcceptsWrittenFiles) {
  const TImageData image = MakePatternImage(F::A8R8G8B8, 4, 3);
  TMNGFileFormat mng;
  TJNGFileFormat jng;
  TMemoryStream mngFile, jngFile;
  mng.SaveImageToStream(mngFile, image);
  jng.SaveImageToStream(jngFile, image);
  mngFile.SetPosition(0);
  jngFile.SetPosition(0);
  EXPECT_TRUE(mng.TestFormat(mngFile));
  EXPECT_FALSE(jng.TestFormat(mngFile));
  EXPECT_TRUE(jng.TestFormat(jngFile));
  EXPECT_FALSE(mng.TestFormat(jngFile));
}

}  // namespace

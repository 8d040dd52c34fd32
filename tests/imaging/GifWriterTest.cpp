#include <gtest/gtest.h>

#include "GIFFormat.h"
#include "PictureReaders.h"
#include "TestSupport.h"
#include "WriterTestSupport.h"

using namespace writer_tests;
using testing_support::ReadWithPillow;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// Pixels as a reader shows them: entries with alpha 0 are transparent (their
// colour does not matter), every other entry is opaque.
void ExpectGifPixels(const TImageData& image, const std::vector<uint8_t>& rgba) {
  ASSERT_EQ(rgba.size(), image.Bits.size() * 4);
  for (size_t i = 0; i < image.Bits.size(); ++i) {
    const TColor32Rec& entry = image.Palette[image.Bits[i]];
    if (entry.A == 0) {
      ASSERT_EQ(rgba[4 * i + 3], 0) << "pixel " << i;
      continue;
    }
    ASSERT_EQ((std::vector<uint8_t>(rgba.begin() + 4 * i, rgba.begin() + 4 * i + 4)),
              (std::vector<uint8_t>{entry.R, entry.G, entry.B, 255}))
        << "pixel " << i;
  }
}

// The noise pattern uses all 256 entries; the last entry's alpha is 0, so are
// entry 7's in the second row: two transparent entries share GIF's one.
TEST(GifWriter, PixelsAndTransparencyReadBackThroughPillow) {
  TImageData opaque = PatternImage(TImageFormat::Index8, 37, 21);
  opaque.Palette[255].A = 255;
  TImageData oneClear = PatternImage(TImageFormat::Index8, 37, 21);
  oneClear.Bits[0] = 255;
  oneClear.Bits[1] = 7;
  TImageData twoClear = oneClear;
  twoClear.Palette[7].A = 0;
  const TImageData* images[] = {&opaque, &oneClear, &twoClear};

  TempDir dir;
  std::vector<std::filesystem::path> paths;
  std::vector<std::string> versions;
  for (const TImageData* image : images) {
    TGIFFileFormat gif;
    const std::vector<uint8_t> bytes = Encode(gif, *image);
    versions.emplace_back(bytes.begin(), bytes.begin() + 6);
    paths.push_back(dir / ("t" + std::to_string(paths.size()) + ".gif"));
    WriteFileBytes(paths.back(), bytes);
  }
  EXPECT_EQ(versions, (std::vector<std::string>{"GIF87a", "GIF89a", "GIF89a"}));
  const auto pictures = ReadWithPillow(paths);
  for (size_t i = 0; i < pictures.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(pictures[i].ok) << pictures[i].error;
    EXPECT_EQ(pictures[i].mode, "P");
    ExpectGifPixels(*images[i], pictures[i].rgba);
  }
}

// The colour table is the smallest power of two that covers the highest index.
TEST(GifWriter, ColourTableCoversTheIndexesInUse) {
  struct Case {
    uint8_t highest;
    int tableBits;
  };
  for (const Case& c : {Case{0, 1}, Case{1, 1}, Case{4, 3}, Case{128, 8}}) {
    TImageData image;
    NewImage(3, 2, TImageFormat::Index8, image);
    for (auto& entry : image.Palette) entry.A = 255;
    image.Bits[4] = c.highest;
    TGIFFileFormat gif;
    const std::vector<uint8_t> bytes = Encode(gif, image);
    ASSERT_GT(bytes.size(), 10u);
    EXPECT_EQ(bytes[10] & 0x80, 0x80) << "global colour table present";
    EXPECT_EQ((bytes[10] & 7) + 1, c.tableBits) << "highest index " << int(c.highest);
  }
}

}  // namespace

// The export path end to end: DDS bytes in, a picture file (or deliberately
// nothing) out, as the preview window and the command line both use it.
#include <gtest/gtest.h>

#include <random>

#include "DdsMaker.h"
#include "Export.h"
#include "Exceptions.h"
#include "ImageFileFormat.h"
#include "SingleImage.h"
#include "PictureReaders.h"
#include "TestSupport.h"

namespace {

using namespace testing_support;
using enum TImageFormat;

uint32_t LE(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + static_cast<size_t>(i));
  return v;
}

std::vector<uint8_t> RandomBytes(size_t count, unsigned seed) {
  std::minstd_rand random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// A block-compressed texture with a full mip chain of random blocks.
std::vector<uint8_t> BlockTexture(uint32_t fourCC, int side, int levels, size_t blockBytes) {
  size_t total = 0;
  for (int level = 0, s = side; level < levels; ++level, s = std::max(1, s / 2)) {
    const size_t blocks = static_cast<size_t>((s + 3) / 4);
    total += blocks * blocks * blockBytes;
  }
  const size_t level0 = static_cast<size_t>((side + 3) / 4) * static_cast<size_t>((side + 3) / 4) * blockBytes;
  TDdsHeader header = DdsFourCCHeader(side, side, fourCC, static_cast<uint32_t>(level0));
  if (levels > 1) SetDdsMipMaps(header, levels);
  return BuildDds(header, RandomBytes(total, 17));
}

std::vector<uint8_t> MaskTexture(int w, int h, uint32_t pfFlags, uint32_t bits, uint32_t r, uint32_t g, uint32_t b,
                                 uint32_t a, unsigned seed) {
  return BuildDds(DdsMaskHeader(w, h, pfFlags, bits, r, g, b, a),
                  RandomBytes(static_cast<size_t>(w) * static_cast<size_t>(h) * bits / 8, seed));
}

struct Source {
  TMemoryStream stream;
  explicit Source(const std::vector<uint8_t>& bytes) {
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
  }
};

std::vector<uint8_t> Payload(const std::vector<uint8_t>& dds, size_t count) {
  return std::vector<uint8_t>(dds.begin() + 128, dds.begin() + 128 + static_cast<std::ptrdiff_t>(count));
}

TEST(ImageExport, Dxt5WithTenLevelsToDdsIsLevelZeroByteForByte) {
  TempDir dir;
  const std::vector<uint8_t> texture = BlockTexture(DdsFourCC("DXT5"), 512, 10, 16);
  Source source(texture);
  const auto path = dir / "t.dds";
  EXPECT_EQ(ExportMainImage(source.stream, path.string()).Outcome, TExportOutcome::Written);
  const std::vector<uint8_t> written = ReadFileBytes(path);
  ASSERT_EQ(written.size(), 128u + 512u * 512u);
  EXPECT_EQ(LE(written, 12, 4), 512u);
  EXPECT_EQ(LE(written, 16, 4), 512u);
  EXPECT_EQ(LE(written, 28, 4), 0u) << "one level";
  EXPECT_EQ(LE(written, 84, 4), DdsFourCC("DXT5"));
  EXPECT_TRUE(Payload(written, 512 * 512) == Payload(texture, 512 * 512));
  const DecodedPicture picture = ReadWithPillow({path}).front();
  ASSERT_TRUE(picture.ok) << picture.error;
  EXPECT_EQ(picture.width, 512);
  EXPECT_EQ(picture.height, 512);
}

// What an exact reader must see in a BMP of this texture's main image: our own
// decoding of it (the BMP must hold exactly that).
std::vector<uint8_t> DecodedMainImage(const std::vector<uint8_t>& dds) {
  Source source(dds);
  TSingleImage image;
  image.LoadFromStream(source.stream);
  ConvertImageFormat(image.FImageData, A8R8G8B8);
  std::vector<uint8_t> rgba;
  for (size_t i = 0; i < image.FImageData.Bits.size(); i += 4) {
    const uint8_t* p = &image.FImageData.Bits[i];
    rgba.insert(rgba.end(), {p[2], p[1], p[0], p[3]});
  }
  return rgba;
}

TEST(ImageExport, BlockTexturesToBmpAre32BitWithAlphaAtTheRoundedSize) {
  struct Row {
    const char* name;
    std::vector<uint8_t> texture;
    int side;  // of the written picture
  };
  const Row rows[] = {
      {"DXT5, 10 levels", BlockTexture(DdsFourCC("DXT5"), 512, 10, 16), 512},
      {"DXT1 of 30 x 30", BlockTexture(DdsFourCC("DXT1"), 30, 1, 8), 32},
  };
  TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Source source(row.texture);
    const auto path = dir / "t.bmp";
    ASSERT_EQ(ExportMainImage(source.stream, path.string()).Outcome, TExportOutcome::Written);
    const std::vector<uint8_t> file = ReadFileBytes(path);
    EXPECT_EQ(LE(file, 28, 2), 32u) << "bits per pixel";
    EXPECT_EQ(LE(file, 30, 4), 0u) << "uncompressed";
    const DecodedPicture picture = ReadWithImageMagick(path);
    ASSERT_TRUE(picture.ok) << picture.error;
    EXPECT_EQ(picture.width, row.side);
    EXPECT_EQ(picture.height, row.side);
    EXPECT_TRUE(picture.rgba == DecodedMainImage(row.texture));
  }
}

TEST(ImageExport, CubeMapGivesItsFirstFacesTopLevel) {
  // 8 x 8 A8R8G8B8, six faces of 3 levels: the first 256 payload bytes are face 0, level 0.
  TDdsHeader header = DdsMaskHeader(8, 8, dds::kPfRGB | dds::kPfAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
  SetDdsMipMaps(header, 3);
  header.Caps1 |= dds::kCaps1Complex;
  header.Caps2 = dds::kCaps2CubeMap | dds::kCaps2AllFaces;
  const std::vector<uint8_t> texture = BuildDds(header, RandomBytes(6 * (64 + 16 + 4) * 4, 5));
  TempDir dir;
  Source source(texture);
  ASSERT_EQ(ExportMainImage(source.stream, (dir / "c.dds").string()).Outcome, TExportOutcome::Written);
  const std::vector<uint8_t> written = ReadFileBytes(dir / "c.dds");
  ASSERT_EQ(written.size(), 128u + 256u);
  EXPECT_TRUE(Payload(written, 256) == Payload(texture, 256));
}

TEST(ImageExport, X8R8G8B8ToBmpKeepsItsFourthByte) {
  const std::vector<uint8_t> texture = MaskTexture(4, 2, dds::kPfRGB, 32, 0xFF0000, 0xFF00, 0xFF, 0, 3);
  TempDir dir;
  Source source(texture);
  ASSERT_EQ(ExportMainImage(source.stream, (dir / "x.bmp").string()).Outcome, TExportOutcome::Written);
  const std::vector<uint8_t> file = ReadFileBytes(dir / "x.bmp");
  const size_t offBits = LE(file, 10, 4);
  ASSERT_EQ(file.size(), offBits + 32);
  // Bottom-up rows of 16 bytes.
  const std::vector<uint8_t> pixels = Payload(texture, 32);
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.begin() + 16, file.begin() + static_cast<std::ptrdiff_t>(offBits + 16)));
  EXPECT_TRUE(std::equal(pixels.begin() + 16, pixels.end(), file.begin() + static_cast<std::ptrdiff_t>(offBits)));
}

TEST(ImageExport, Gray8ToBmpIsRle8WithGreyPalette) {
  const std::vector<uint8_t> texture = MaskTexture(9, 5, dds::kPfLuminance, 8, 0xFF, 0, 0, 0, 8);
  TempDir dir;
  Source source(texture);
  ASSERT_EQ(ExportMainImage(source.stream, (dir / "g.BMP").string()).Outcome, TExportOutcome::Written);
  const std::vector<uint8_t> file = ReadFileBytes(dir / "g.BMP");
  EXPECT_EQ(LE(file, 28, 2), 8u);
  EXPECT_EQ(LE(file, 30, 4), 1u) << "RLE8";
  const DecodedPicture picture = ReadWithPillow({dir / "g.BMP"}).front();
  ASSERT_TRUE(picture.ok) << picture.error;
  std::vector<uint8_t> expected;
  for (uint8_t v : Payload(texture, 45)) expected.insert(expected.end(), {v, v, v, 255});
  EXPECT_TRUE(picture.rgba == expected);
}

TEST(ImageExport, TwoExportsInARowWriteTheSamePicture) {
  const std::vector<uint8_t> texture = BlockTexture(DdsFourCC("DXT1"), 64, 7, 8);
  TempDir dir;
  Source source(texture);
  ASSERT_EQ(ExportMainImage(source.stream, (dir / "a.bmp").string()).Outcome, TExportOutcome::Written);
  EXPECT_EQ(source.stream.Position(), 0);
  ASSERT_EQ(ExportMainImage(source.stream, (dir / "b.bmp").string()).Outcome, TExportOutcome::Written);
  EXPECT_EQ(source.stream.Position(), 0);
  EXPECT_TRUE(ReadFileBytes(dir / "a.bmp") == ReadFileBytes(dir / "b.bmp"));
}

TEST(ImageExport, WritesNothingWhereThereIsNothingToWrite) {
  const std::vector<uint8_t> dxt1 = BlockTexture(DdsFourCC("DXT1"), 16, 3, 8);
  const std::vector<uint8_t> dxt2 = BlockTexture(DdsFourCC("DXT2"), 16, 1, 16);
  struct Row {
    const char* fileName;
    const std::vector<uint8_t>* texture;
    int32_t subimage;
    TExportOutcome outcome;
  };
  const std::vector<uint8_t> junk(300, 'x');
  const Row rows[] = {
      {"t.ico", &dxt1, 0, TExportOutcome::NoFormatForName},
      {"t.emf", &dxt1, 0, TExportOutcome::NoFormatForName},
      {"t.wmf", &dxt1, 0, TExportOutcome::NoFormatForName},
      {"t", &dxt1, 0, TExportOutcome::NoFormatForName},
      {"t.pcx", &dxt1, 0, TExportOutcome::FormatCannotWrite},
      {"t.pbm", &dxt1, 0, TExportOutcome::FormatCannotWrite},
      {"t.bmp", &dxt2, 0, TExportOutcome::NothingLoaded},
      {"t.bmp", &junk, 0, TExportOutcome::NotRecognised},
      {"t.bmp", &dxt1, 3, TExportOutcome::NoSuchSubimage},
      {"t.bmp", &dxt1, -1, TExportOutcome::NoSuchSubimage},
  };
  for (const Row& row : rows) {
    TempDir dir;
    Source source(*row.texture);
    const TExportResult result = ExportMainImage(source.stream, (dir / row.fileName).string(), row.subimage);
    EXPECT_EQ(result.Outcome, row.outcome) << row.fileName;
    EXPECT_FALSE(ExportOutcomeText(result, row.fileName, row.subimage).empty()) << row.fileName;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << row.fileName;
    EXPECT_EQ(source.stream.Position(), 0) << row.fileName;
  }
}

TEST(ImageExport, SubimageChoosesALevel) {
  TempDir dir;
  Source source(BlockTexture(DdsFourCC("DXT1"), 64, 7, 8));
  const TExportResult result = ExportMainImage(source.stream, (dir / "l2.dds").string(), 2);
  ASSERT_EQ(result.Outcome, TExportOutcome::Written);
  EXPECT_EQ(result.ImageCount, 7);
  EXPECT_EQ(LE(ReadFileBytes(dir / "l2.dds"), 16, 4), 16u);
}

TEST(ImageExport, StreamAtItsEndHasNoData) {
  for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{}, BlockTexture(DdsFourCC("DXT1"), 4, 1, 8)}) {
    Source source(bytes);
    source.stream.Seek(0, TSeekOrigin::soEnd);
    try {
      ExportMainImage(source.stream, "/nonexistent/t.bmp");
      ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), "Input stream has no data. Check Position property.");
    }
  }
}

// A writer that fails halfway through its output.
class TFailingFormat : public TImageFileFormat {
public:
  TFailingFormat() : TImageFileFormat("Failing", "*.fail", true, true, false, {A8R8G8B8}) {}

protected:
  void SaveData(TStream& out, const TImageData&) override {
    out.WriteBuffer("half", 4);
    throw Exception("encoder gave up");
  }
};

TEST(ImageExport, FailedWriteKeepsTheFileItWouldReplace) {
  TempDir dir;
  const auto path = dir / "old.fail";
  WriteFileBytes(path, {1, 2, 3});
  TImageData image;
  NewImage(4, 4, A8R8G8B8, image);
  try {
    TFailingFormat().SaveImageToFile(path.string(), image);
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()), "Error while saving images to file \"" + path.string() +
                                         "\" (file format: fail). Exception Message: encoder gave up");
  }
  EXPECT_TRUE(ReadFileBytes(path) == std::vector<uint8_t>({1, 2, 3}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary file left";
}

}  // namespace

namespace {

// A registry row whose writer is not built yet fails clearly and writes nothing.
TEST(ImageExport, FormatWithoutWriterFailsAndWritesNothing) {
  TempDir dir;
  TImageFileFormat pending("Pending Picture", "*.pend", true, true, false, {A8R8G8B8});
  TImageData image;
  NewImage(4, 4, DXT1, image);
  const auto path = dir / "t.pend";
  try {
    pending.SaveImageToFile(path.string(), image);
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("Exception Message: Writing Pending Picture files is not yet implemented"),
              std::string::npos)
        << e.what();
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace

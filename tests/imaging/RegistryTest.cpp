// The picture-format registry: choosing the output format by file name, finding
// the input format by content, and the conversion rules of BMP and DDS.
#include <gtest/gtest.h>

#include <cstring>

#include "ImageRegistry.h"

namespace {

TEST(ImageRegistry, ChoosesTheFormatByFileName) {
  struct Row {
    const char* fileName;
    const char* format;  // nullptr: no format claims the name
    bool writable;
  };
  const Row rows[] = {
      {"t.png", "Portable Network Graphics", true},
      {"T.PNG", "Portable Network Graphics", true},
      {"t.jpe", "Joint Photographic Experts Group Image", true},
      {"t.jif", "Joint Photographic Experts Group Image", true},
      {"t.JPEG", "Joint Photographic Experts Group Image", true},
      {"t.dib", "Windows Bitmap Image", true},
      {"t.pdd", "Photoshop Image", true},
      {"t.png.bmp", "Windows Bitmap Image", true},
      {"/out/pictures.png/t.tga", "Truevision Targa Image", true},
      {"C:\\out\\pictures.png\\t.xpm", "X Window Pixmap", true},
      {"t.pcx", "ZSoft Paintbrush Image", false},
      {"t.ico", nullptr, false},
      {"t.emf", nullptr, false},
      {"t.wmf", nullptr, false},
      {"t", nullptr, false},
      {"t.png ", nullptr, false},
      {"t.bmp/", nullptr, false},
      {"", nullptr, false},
  };
  for (const Row& row : rows) {
    const TImageFileFormat* format = FindImageFileFormatByName(row.fileName);
    if (!row.format) {
      EXPECT_EQ(format, nullptr) << row.fileName << " chose " << format->FName;
      continue;
    }
    ASSERT_NE(format, nullptr) << row.fileName;
    EXPECT_EQ(format->FName, row.format) << row.fileName;
    EXPECT_EQ(format->FCanSave, row.writable) << row.fileName;
  }
}

TEST(ImageRegistry, FirstExtensionNamesTheFormatInErrors) {
  EXPECT_EQ(FindImageFileFormatByName("a.jif")->FExtensions.front(), "jpg");
  EXPECT_EQ(FindImageFileFormatByName("a.dib")->FExtensions.front(), "bmp");
  EXPECT_EQ(FindImageFileFormatByName("a.pdd")->FExtensions.front(), "psd");
}

// A small DDS texture: 4x4 DXT1, one level.
std::vector<uint8_t> DdsBytes() {
  std::vector<uint8_t> bytes(128 + 8, 0);
  std::memcpy(bytes.data(), "DDS ", 4);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(4, 124);
  put(8, 0x81007);
  put(12, 4);
  put(16, 4);
  put(20, 8);
  put(76, 32);
  put(80, 0x4);
  std::memcpy(&bytes[84], "DXT1", 4);
  put(108, 0x1000);
  return bytes;
}

TEST(ImageRegistry, NoContentTestBeforeDdsAcceptsADdsFile) {
  const std::vector<uint8_t> dds = DdsBytes();
  TMemoryStream stream;
  stream.WriteBuffer("pad", 3);
  stream.WriteBuffer(dds.data(), static_cast<int64_t>(dds.size()));
  for (const auto& format : ImageFileFormats()) {
    if (format->FName == "DirectDraw Surface") break;
    stream.SetPosition(3);
    EXPECT_FALSE(format->TestFormat(stream)) << format->FName;
    EXPECT_EQ(stream.Position(), 3) << format->FName << " moved the stream";
  }
  stream.SetPosition(3);
  const TImageFileFormat* found = FindImageFileFormatByContent(stream);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->FName, "DirectDraw Surface");
  EXPECT_EQ(stream.Position(), 3);
}

TEST(ImageRegistry, UnknownContentFindsNothing) {
  for (const std::string bytes : {std::string(200, 'x'), std::string("DDS "), std::string()}) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    EXPECT_EQ(FindImageFileFormatByContent(stream), nullptr) << bytes;
    EXPECT_EQ(stream.Position(), 0);
  }
}

// The conversion rule of a target, seen through MakeCompatible on a 4x4 image.
TImageFormat ConvertedFormat(const char* fileName, TImageFormat source) {
  TImageFileFormat* format = FindImageFileFormatByName(fileName);
  TImageData image;
  NewImage(4, 4, source, image);
  TImageData compatible;
  bool mustBeFreed = false;
  EXPECT_TRUE(format->MakeCompatible(image, compatible, mustBeFreed));
  return mustBeFreed ? compatible.Format : image.Format;
}

TEST(ImageRegistry, BmpAndDdsConvertAsTheirRulesSay) {
  using enum TImageFormat;
  struct Row {
    TImageFormat source, bmp, dds;
  };
  const Row rows[] = {
      {DXT1, A8R8G8B8, DXT1},
      {DXT5, A8R8G8B8, DXT5},
      {ATI1N, R8G8B8, ATI1N},
      {ATI2N, R8G8B8, ATI2N},
      {X8R8G8B8, X8R8G8B8, X8R8G8B8},
      {R5G6B5, R5G6B5, R5G6B5},
      {R3G3B2, X1R5G5B5, R3G3B2},
      {Gray8, Index8, Gray8},
      {Gray16, Index8, Gray16},
      {Gray32, Index8, Gray16},
      {A8Gray8, A8R8G8B8, A8Gray8},
      {A16Gray16, A8R8G8B8, A8Gray8},
      {Index8, Index8, A8R8G8B8},
      {R16G16B16, R8G8B8, A16B16G16R16},
      {A16R16G16B16, A8R8G8B8, A16B16G16R16},
      {B16G16R16, R8G8B8, A16B16G16R16},
      {R32F, R8G8B8, R32F},
      {R16F, R8G8B8, R16F},
      {A32R32G32B32F, A8R8G8B8, A32B32G32R32F},
      {A16R16G16B16F, A8R8G8B8, A16B16G16R16F},
  };
  for (const Row& row : rows) {
    const std::string source = GetFormatName(row.source);
    EXPECT_EQ(GetFormatName(ConvertedFormat("t.bmp", row.source)), GetFormatName(row.bmp)) << source << " to BMP";
    EXPECT_EQ(GetFormatName(ConvertedFormat("t.dds", row.source)), GetFormatName(row.dds)) << source << " to DDS";
  }
}

}  // namespace

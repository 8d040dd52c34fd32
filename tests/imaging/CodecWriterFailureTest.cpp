#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "Exceptions.h"
#include "GIFFormat.h"
#include "JPEG2000Format.h"
#include "JPEGFormat.h"
#include "PNGFormat.h"
#include "TIFFFormat.h"
#include "TestSupport.h"
#include "WriterTestSupport.h"

using namespace writer_tests;
using testing_support::TempDir;

namespace {

std::string SaveError(TImageFileFormat& format, TStream& out, const TImageData& image) {
  try {
    format.SaveImageToStream(out, image);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

TImageData Wide(int32_t width, TImageFormat format = TImageFormat::Gray8) {
  TImageData image;
  NewImage(width, 1, format, image);
  return image;
}

struct RefusalCase {
  const char* name;
  std::function<std::unique_ptr<TImageFileFormat>()> make;
  TImageData image;
  std::string message;
};
// Parameters show in test listings by name.
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class CodecRefusal : public ::testing::TestWithParam<RefusalCase> {};

// Images the codecs refuse: the codec's own words come back in an exception,
// and the program goes on (no exit(), no stray longjmp).
TEST_P(CodecRefusal, RaisesTheCodecsMessage) {
  const RefusalCase& c = GetParam();
  auto format = c.make();
  TMemoryStream out;
  EXPECT_EQ(SaveError(*format, out, c.image), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, CodecRefusal,
    ::testing::Values(
        RefusalCase{"Jpeg", [] { return std::make_unique<TJPEGFileFormat>(); }, Wide(65501),
                    "libjpeg error: Maximum supported image dimension is 65500 pixels"},
        RefusalCase{"Png", [] { return std::make_unique<TPNGFileFormat>(); }, Wide(1000001),
                    "libpng error: Invalid IHDR data (Image width exceeds user limit in IHDR)"},
        RefusalCase{"TiffJpeg",
                    [] {
                      auto tiff = std::make_unique<TTIFFFileFormat>();
                      tiff->FCompression = 4;
                      return tiff;
                    },
                    Wide(65501), "libtiff error: JPEGLib: Maximum supported image dimension is 65500 pixels"},
        RefusalCase{"GifSide", [] { return std::make_unique<TGIFFileFormat>(); }, Wide(65536, TImageFormat::Index8),
                    "GIF images cannot be larger than 65535 x 65535 pixels"}),
    ::testing::PrintToStringParamName());

// A stream that refuses to take bytes fails the save with the stream's own
// error, whichever codec was writing.
TEST(CodecWriterFailure, StreamWriteFailurePassesThrough) {
  std::unique_ptr<TImageFileFormat> formats[] = {
      std::make_unique<TPNGFileFormat>(), std::make_unique<TJPEGFileFormat>(), std::make_unique<TTIFFFileFormat>(),
      std::make_unique<TJPEG2000FileFormat>(), std::make_unique<TGIFFileFormat>()};
  const TImageData image = PatternImage(TImageFormat::A8R8G8B8, 8, 8);
  for (auto& format : formats) {
    TImageData supported = image;
    if (!format->FSupportedFormats.Contains(image.Format))
      supported = PatternImage(format->FSupportedFormats.Contains(TImageFormat::R8G8B8) ? TImageFormat::R8G8B8
                                                                                        : TImageFormat::Index8,
                               8, 8);
    TFailingStream out;
    EXPECT_EQ(SaveError(*format, out, supported), "Stream-Schreibfehler") << format->FName;
  }
}

// The whole save path: the codec's message nested in the saving error, and no
// file (not even a partial one) left behind.
TEST(CodecWriterFailure, SaveToFileNestsTheCodecMessage) {
  TempDir dir;
  const std::string path = (dir / "wide.jpg").string();
  TJPEGFileFormat jpeg;
  try {
    jpeg.SaveToFile(path, {Wide(65501)}, true);
    FAIL() << "no error";
  } catch (const EImagingError& e) {
    EXPECT_EQ(std::string(e.what()), "Error while saving images to file \"" + path +
                                         "\" (file format: jpg). Exception Message: libjpeg error: Maximum supported "
                                         "image dimension is 65500 pixels");
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace

#include "ImagingTestSupport.h"

#include <algorithm>
#include <sstream>

#include "Exceptions.h"
#include "Stream.h"
#include "TestSupport.h"

namespace imaging_tests {

TLoadResult LoadDds(const std::vector<uint8_t>& bytes, int64_t startOffset) {
  TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(startOffset);
  TDDSFileFormat format;
  TLoadResult result;
  try {
    result.Ok = format.LoadFromStream(stream, result.Images, false);
  } catch (const Exception& e) {
    result.Error = e.Message();
  }
  result.CubeMap = format.FLoadedCubeMap;
  result.Volume = format.FLoadedVolume;
  result.MipMapCount = format.FLoadedMipMapCount;
  result.Depth = format.FLoadedDepth;
  result.StreamPositionAfter = stream.Position();
  return result;
}

TImageData ImageFromBytes(TImageFormat format, int32_t width, int32_t height, const std::vector<uint8_t>& bytes) {
  TImageData image;
  NewImage(width, height, format, image);
  std::copy_n(bytes.begin(), std::min(bytes.size(), image.Bits.size()), image.Bits.begin());
  return image;
}

std::vector<uint8_t> ReadRgbaWithPillow(const std::filesystem::path& path, int& width, int& height,
                                        std::string& error) {
  testing_support::TempDir dir;
  const std::filesystem::path raw = dir / "pixels.raw";
  const char* script =
      "import sys\n"
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1]).convert('RGBA')\n"
      "open(sys.argv[2], 'wb').write(im.tobytes())\n"
      "print(im.size[0], im.size[1])\n";
  const testing_support::RunResult run =
      testing_support::RunProgram({QUORVIN_PYTHON, "-c", script, path.string(), raw.string()});
  if (run.exitCode != 0) {
    error = run.err;
    return {};
  }
  std::istringstream(run.out) >> width >> height;
  return testing_support::ReadFileBytes(raw);
}

}  // namespace imaging_tests

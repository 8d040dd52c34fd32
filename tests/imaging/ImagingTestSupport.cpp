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

std::vector<TRgbaPicture> ReadRgbaWithPillow(const std::vector<std::filesystem::path>& paths, std::string& error) {
  testing_support::TempDir dir;
  const char* script =
      "import sys\n"
      "from PIL import Image\n"
      "out = sys.argv[1]\n"
      "for i, path in enumerate(sys.argv[2:]):\n"
      "    im = Image.open(path).convert('RGBA')\n"
      "    open('%s/%d.raw' % (out, i), 'wb').write(im.tobytes())\n"
      "    print(im.size[0], im.size[1])\n";
  std::vector<std::string> argv = {QUORVIN_PYTHON, "-c", script, dir.path().string()};
  for (const auto& path : paths) argv.push_back(path.string());
  const testing_support::RunResult run = testing_support::RunProgram(argv);
  if (run.exitCode != 0) {
    error = run.err;
    return {};
  }
  std::vector<TRgbaPicture> pictures(paths.size());
  std::istringstream sizes(run.out);
  for (size_t i = 0; i < paths.size(); ++i) {
    sizes >> pictures[i].Width >> pictures[i].Height;
    pictures[i].Rgba = testing_support::ReadFileBytes(dir / (std::to_string(i) + ".raw"));
  }
  return pictures;
}

}  // namespace imaging_tests

#include "PictureReaders.h"

#include <sstream>

#include "TestSupport.h"

namespace testing_support {

namespace {

// For each file: "OK mode width height count\n" and count RGBA bytes, or "ERR text\n".
constexpr const char* kPillowScript = R"(
import sys
from PIL import Image
out = sys.stdout.buffer
for path in sys.argv[1:]:
    try:
        im = Image.open(path)
        im.load()
        data = im.convert('RGBA').tobytes()
        out.write(('OK %s %d %d %d\n' % (im.mode, im.width, im.height, len(data))).encode())
        out.write(data)
    except Exception as e:
        out.write(('ERR %s\n' % str(e).replace('\n', ' ')).encode())
)";

}  // namespace

std::vector<DecodedPicture> ReadWithPillow(const std::vector<std::filesystem::path>& paths) {
  std::vector<std::string> argv = {QUORVIN_PYTHON, "-c", kPillowScript};
  for (const auto& path : paths) argv.push_back(path.string());
  const RunResult run = RunProgram(argv);
  std::vector<DecodedPicture> pictures;
  size_t at = 0;
  for (size_t i = 0; i < paths.size(); ++i) {
    DecodedPicture picture;
    const size_t eol = run.out.find('\n', at);
    if (eol == std::string::npos) {
      picture.error = "no output from Pillow: " + run.err;
      pictures.push_back(picture);
      continue;
    }
    std::istringstream line(run.out.substr(at, eol - at));
    at = eol + 1;
    std::string status;
    line >> status;
    if (status != "OK") {
      std::getline(line, picture.error);
      pictures.push_back(picture);
      continue;
    }
    size_t count = 0;
    line >> picture.mode >> picture.width >> picture.height >> count;
    if (at + count > run.out.size()) {
      picture.error = "short output from Pillow";
      pictures.push_back(picture);
      break;
    }
    picture.rgba.assign(run.out.begin() + static_cast<std::ptrdiff_t>(at),
                        run.out.begin() + static_cast<std::ptrdiff_t>(at + count));
    at += count;
    picture.ok = true;
    pictures.push_back(picture);
  }
  pictures.resize(paths.size());
  return pictures;
}

DecodedPicture ReadWithImageMagick(const std::filesystem::path& path) {
  DecodedPicture picture;
  const RunResult size = RunProgram({"/usr/bin/identify", "-format", "%w %h", path.string()});
  if (size.exitCode != 0) {
    picture.error = size.err;
    return picture;
  }
  std::istringstream(size.out) >> picture.width >> picture.height;
  const RunResult pixels = RunProgram({"/usr/bin/convert", path.string(), "-depth", "8", "rgba:-"});
  if (pixels.exitCode != 0) {
    picture.error = pixels.err;
    return picture;
  }
  picture.rgba.assign(pixels.out.begin(), pixels.out.end());
  picture.ok = picture.rgba.size() == static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 4;
  if (!picture.ok) picture.error = "unexpected pixel count from ImageMagick";
  return picture;
}

}  // namespace testing_support

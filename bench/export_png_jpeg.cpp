// Export speed: `quorvin-cli convert` of a 2048 x 2048 DXT5 texture to PNG and to
// JPEG, side by side with ImageMagick's convert of the same file to the same
// format. Prints the best of a few runs for each and the ratio (ImageMagick's time
// over ours; above 1 means we are faster). Usage: bench_export_png_jpeg BUILD_DIR
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "DdsMaker.h"
#include "Stream.h"

namespace {

constexpr int kSide = 2048;
constexpr int kRuns = 3;

// Something like a texture: smooth colour fields, fine detail and a soft alpha
// mask, so both the block encoder and the picture coders have real work.
std::vector<uint8_t> TexturePixels() {
  uint32_t noise = 12345;
  return bench::BgraPixels(kSide, kSide, [&](int x, int y, uint8_t* p) {
    noise = noise * 1664525u + 1013904223u;
    const double fx = x / double(kSide), fy = y / double(kSide);
    const int detail = static_cast<int>(noise >> 28) - 8;
    p[0] = static_cast<uint8_t>(std::clamp(128 + 100 * std::sin(9 * fx + 4 * fy) + detail, 0.0, 255.0));
    p[1] = static_cast<uint8_t>(std::clamp(128 + 90 * std::cos(7 * fy - 3 * fx) + detail, 0.0, 255.0));
    p[2] = static_cast<uint8_t>(std::clamp(128 + 110 * std::sin(13 * fx * fy) + detail, 0.0, 255.0));
    p[3] = static_cast<uint8_t>(std::clamp(255 * (1.2 - 1.6 * std::hypot(fx - 0.5, fy - 0.5)), 0.0, 255.0));
  });
}

// The best wall time of a few quiet runs, -1 when one fails.
double BestOf(const std::vector<std::string>& argv) {
  return bench::BestOf(kRuns, [&] { return bench::TimeRun(argv); }).Wall;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path build = argc > 1 ? argv[1] : "build";
  const std::string cli = bench::CliPath(build);
  const std::string imageMagick = "/usr/bin/convert";
  const bench::TScratchDir scratch;
  const std::filesystem::path& dir = scratch.Path();
  const std::string dds = (dir / "texture.dds").string();
  const std::vector<uint8_t> file = MakeBlockDds(TImageFormat::DXT5, TexturePixels(), kSide, kSide, 1);
  WriteFileSafely(dds, file.data(), static_cast<int64_t>(file.size()));

  std::printf("2048 x 2048 DXT5 texture (%lld bytes), best of %d runs, wall time\n", bench::FileSize(dds), kRuns);
  std::printf("%-6s %12s %12s %14s %14s %8s\n", "format", "ours [s]", "IM [s]", "ours [bytes]", "IM [bytes]", "ratio");
  for (const char* extension : {"png", "jpg"}) {
    const std::filesystem::path ours = dir / (std::string("ours.") + extension);
    const std::filesystem::path theirs = dir / (std::string("im.") + extension);
    const double ourTime = BestOf({cli, "convert", dds, ours.string()});
    const double theirTime = BestOf({imageMagick, dds, theirs.string()});
    if (ourTime < 0 || theirTime < 0) {
      std::printf("%-6s failed (ours %s, ImageMagick %s)\n", extension, ourTime < 0 ? "failed" : "ok",
                  theirTime < 0 ? "failed" : "ok");
      continue;
    }
    std::printf("%-6s %12.3f %12.3f %14lld %14lld %8.2f\n", extension, ourTime, theirTime, bench::FileSize(ours),
                bench::FileSize(theirs), theirTime / ourTime);
  }
  std::printf("ratio = ImageMagick time / our time (above 1: ours faster)\n");
  return 0;
}

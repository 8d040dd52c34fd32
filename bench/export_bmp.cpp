// Export speed: `quorvin-cli convert` of a 2048 x 2048 DXT5 texture to BMP, side by
// side with ImageMagick's convert of the same file to BMP; once with the top
// level only and once with the full mip chain (which our loader reads whole).
// Prints the best of a few runs and the ratio (ImageMagick's time over ours;
// the target is 3 or more). Usage: bench_export_bmp BUILD_DIR
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "DdsMaker.h"
#include "Stream.h"

namespace {

using bench::TRunTime;

constexpr int kSide = 2048;
constexpr int kRuns = 5;

// Smooth colour ramps with a little noise and a radial alpha: the block encoder
// picks real endpoints and both decoders have every kind of block to expand.
std::vector<uint8_t> TexturePixels() {
  uint32_t noise = 99991;
  return bench::BgraPixels(kSide, kSide, [&](int x, int y, uint8_t* p) {
    noise = noise * 1103515245u + 12345u;
    const int grain = static_cast<int>(noise >> 27) - 16;
    const int dx = x - kSide / 2, dy = y - kSide / 2;
    p[0] = static_cast<uint8_t>(std::clamp(x / 8 + grain, 0, 255));
    p[1] = static_cast<uint8_t>(std::clamp(y / 8 + grain, 0, 255));
    p[2] = static_cast<uint8_t>(std::clamp((x + y) / 16 + grain, 0, 255));
    p[3] = static_cast<uint8_t>(std::clamp(255 - (dx * dx + dy * dy) / 8192, 0, 255));
  });
}

// The best wall time and the best CPU time of a few runs.
TRunTime BestOf(const std::vector<std::string>& argv) {
  return bench::BestOf(kRuns, [&] { return bench::TimeRun(argv); });
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path build = argc > 1 ? argv[1] : "build";
  const std::string cli = bench::CliPath(build);
  const std::string imageMagick = "/usr/bin/convert";
  const bench::TScratchDir scratch;
  const std::filesystem::path& dir = scratch.Path();
  const std::vector<uint8_t> pixels = TexturePixels();

  std::printf("2048 x 2048 DXT5 texture to BMP, best of %d runs\n", kRuns);
  std::printf("%-10s %11s %9s %9s %9s %9s %11s %11s\n", "levels", "DDS [B]", "ours [s]", "IM [s]", "ours cpu",
              "IM cpu", "wall ratio", "cpu ratio");
  for (const int levels : {1, 0}) {
    const std::string dds = (dir / "texture.dds").string();
    const std::vector<uint8_t> file = MakeBlockDds(TImageFormat::DXT5, pixels, kSide, kSide, levels);
    WriteFileSafely(dds, file.data(), static_cast<int64_t>(file.size()));
    const TRunTime ours = BestOf({cli, "convert", dds, (dir / "ours.bmp").string()});
    const TRunTime theirs = BestOf({imageMagick, dds, (dir / "im.bmp").string()});
    const char* label = levels == 1 ? "top only" : "full chain";
    if (ours.Wall < 0 || theirs.Wall < 0) {
      std::printf("%-10s failed (ours %s, ImageMagick %s)\n", label, ours.Wall < 0 ? "failed" : "ok",
                  theirs.Wall < 0 ? "failed" : "ok");
      continue;
    }
    std::printf("%-10s %11lld %9.3f %9.3f %9.3f %9.3f %11.2f %11.2f\n", label, bench::FileSize(dds), ours.Wall, theirs.Wall,
                ours.Cpu, theirs.Cpu, theirs.Wall / ours.Wall, theirs.Cpu / ours.Cpu);
  }
  std::printf("ratio = ImageMagick time / our time (target: 3 or more)\n");
  return 0;
}

// Batch conversion: `quorvin-cli extract --convert png` of an archive holding 200
// textures of mixed sides, formats and mip chains, side by side with the script a
// user would otherwise write: extract them raw, then run ImageMagick's convert
// once per texture. Prints the best of a few runs and the ratio (the script's
// time over ours). Usage: bench_extract_convert BUILD_DIR
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "DdsMaker.h"
#include "SdsMaker.h"

namespace fs = std::filesystem;

namespace {

using bench::TRunTime;

constexpr int kTextures = 200;
constexpr int kRuns = 3;

// Colour ramps with grain, so neither the block encoder nor the PNG deflater
// has an easy time.
std::vector<uint8_t> Pixels(int width, int height, uint32_t seed) {
  uint32_t noise = seed * 2654435761u + 1;
  return bench::BgraPixels(width, height, [&](int x, int y, uint8_t* p) {
    noise = noise * 1103515245u + 12345u;
    const int grain = static_cast<int>(noise >> 28) - 8;
    p[0] = static_cast<uint8_t>(std::clamp(x * 255 / width + grain, 0, 255));
    p[1] = static_cast<uint8_t>(std::clamp(y * 255 / height + grain, 0, 255));
    p[2] = static_cast<uint8_t>(std::clamp(static_cast<int>(seed * 37 % 256) + grain, 0, 255));
    p[3] = static_cast<uint8_t>(std::clamp(255 - (x + y) * 64 / (width + height) + grain, 0, 255));
  });
}

struct Made {
  sdsmaker::Archive archive;
  long long pixels = 0;  // of the top levels, the images both sides convert
};

// Sides 16 to 512, square and 2:1, in DXT1, DXT5 and A8R8G8B8; every other
// block-compressed one with its full mip chain.
Made MakeArchive() {
  Made made;
  for (int i = 0; i < kTextures; ++i) {
    const int width = 16 << (i % 6);
    const int height = i % 4 < 2 ? width : width / 2;
    const std::vector<uint8_t> bgra = Pixels(width, height, static_cast<uint32_t>(i));
    const int kind = i % 3;
    std::vector<uint8_t> dds = kind == 2 ? MakeArgbDds(bgra, width, height)
                                         : MakeBlockDds(kind == 0 ? TImageFormat::DXT1 : TImageFormat::DXT5, bgra,
                                                        width, height, i % 2 == 0 ? 0 : 1);
    char name[40];
    std::snprintf(name, sizeof name, "/textures/tex%03d.dds", i);
    sdsmaker::Resource texture;
    texture.typeName = "Texture";
    texture.source = name;
    texture.data = std::move(dds);
    made.archive.resources.push_back(std::move(texture));
    made.pixels += static_cast<long long>(width) * height;
  }
  return made;
}

// Best wall and CPU time of a few runs, each into a fresh output folder.
TRunTime BestOf(const std::vector<std::string>& argv, const fs::path& out) {
  return bench::BestOf(kRuns, [&] {
    fs::remove_all(out);
    fs::create_directories(out);
    return bench::TimeRun(argv);
  });
}

size_t Count(const fs::path& folder, const std::string& extension) {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.path().extension() == extension;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path build = argc > 1 ? argv[1] : "build";
  const std::string cli = bench::CliPath(build);
  const std::string imageMagick = "/usr/bin/convert";  // the one on PATH may be a stand-in
  const bench::TScratchDir scratch;
  const fs::path& dir = scratch.Path();
  const std::string archive = (dir / "textures.sds").string();
  const Made made = MakeArchive();
  sdsmaker::WriteBytes(archive, sdsmaker::Build(made.archive).file);

  const fs::path ours = dir / "ours", theirs = dir / "script";
  const TRunTime quorvin = BestOf({cli, "extract", "--convert", "png", archive, ours.string()}, ours);
  // What a user would write without --convert.
  const std::string script =
      "\"$0\" extract \"$1\" \"$2\" || exit 1\n"
      "for f in \"$2\"/*.dds; do \"$3\" \"$f\" \"${f%.dds}.png\" || exit 1; done\n";
  const TRunTime shell = BestOf({"/bin/sh", "-c", script, cli, archive, theirs.string(), imageMagick}, theirs);

  std::printf("%d textures (sides 16 to 512, DXT1/DXT5/A8R8G8B8, some with mip chains), %.1f Mpixel, "
              "archive %.1f MiB; best of %d runs\n",
              kTextures, static_cast<double>(made.pixels) / 1e6,
              static_cast<double>(fs::file_size(archive)) / 1048576.0, kRuns);
  if (quorvin.Wall < 0 || shell.Wall < 0) {
    std::printf("failed (extract --convert %s, raw extract + ImageMagick %s)\n", quorvin.Wall < 0 ? "failed" : "ok",
                shell.Wall < 0 ? "failed" : "ok");
  } else {
    std::printf("%-36s %9s %9s %7s\n", "", "wall [s]", "cpu [s]", "PNGs");
    std::printf("%-36s %9.3f %9.3f %7zu\n", "quorvin-cli extract --convert png", quorvin.Wall, quorvin.Cpu,
                Count(ours, ".png"));
    std::printf("%-36s %9.3f %9.3f %7zu\n", "extract + ImageMagick convert each", shell.Wall, shell.Cpu,
                Count(theirs, ".png"));
    std::printf("ratio (script time / ours): wall %.2f, cpu %.2f\n", shell.Wall / quorvin.Wall,
                shell.Cpu / quorvin.Cpu);
  }
  return 0;
}

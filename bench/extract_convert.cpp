// Batch conversion: `quorvin-cli extract --convert png` of an archive holding 200
// textures of mixed sides, formats and mip chains, side by side with the script a
// user would otherwise write: extract them raw, then run ImageMagick's convert
// once per texture. Prints the best of a few runs and the ratio (the script's
// time over ours). Usage: bench_extract_convert BUILD_DIR
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "DdsMaker.h"
#include "SdsMaker.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kTextures = 200;
constexpr int kRuns = 3;

// Colour ramps with grain, so neither the block encoder nor the PNG deflater
// has an easy time.
std::vector<uint8_t> Pixels(int width, int height, uint32_t seed) {
  std::vector<uint8_t> bgra(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  uint32_t noise = seed * 2654435761u + 1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245u + 12345u;
      const int grain = static_cast<int>(noise >> 28) - 8;
      uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = static_cast<uint8_t>(std::clamp(x * 255 / width + grain, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(y * 255 / height + grain, 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp(static_cast<int>(seed * 37 % 256) + grain, 0, 255));
      p[3] = static_cast<uint8_t>(std::clamp(255 - (x + y) * 64 / (width + height) + grain, 0, 255));
    }
  }
  return bgra;
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

struct Timing {
  double wall = -1;  // seconds
  double cpu = -1;   // user + system seconds of the child and what it waited for
};

// One quiet run; negative times when the program fails.
Timing TimeRun(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return {};
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Timing t;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return t;
  t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  auto seconds = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6; };
  t.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return t;
}

// Best wall and CPU time of a few runs, each into a fresh output folder.
Timing BestOf(const std::vector<std::string>& argv, const fs::path& out) {
  Timing best;
  for (int i = 0; i < kRuns; ++i) {
    fs::remove_all(out);
    fs::create_directories(out);
    const Timing t = TimeRun(argv);
    if (t.wall < 0) return {};
    best.wall = best.wall < 0 ? t.wall : std::min(best.wall, t.wall);
    best.cpu = best.cpu < 0 ? t.cpu : std::min(best.cpu, t.cpu);
  }
  return best;
}

size_t Count(const fs::path& folder, const std::string& extension) {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.path().extension() == extension;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path build = argc > 1 ? argv[1] : "build";
  const std::string cli = (build / "cli" / "quorvin-cli").string();
  const std::string imageMagick = "/usr/bin/convert";  // the one on PATH may be a stand-in
  const fs::path dir = fs::temp_directory_path() / ("quorvin-bench-extract-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string archive = (dir / "textures.sds").string();
  const Made made = MakeArchive();
  sdsmaker::WriteBytes(archive, sdsmaker::Build(made.archive).file);

  const fs::path ours = dir / "ours", theirs = dir / "script";
  const Timing quorvin = BestOf({cli, "extract", "--convert", "png", archive, ours.string()}, ours);
  // What a user would write without --convert.
  const std::string script =
      "\"$0\" extract \"$1\" \"$2\" || exit 1\n"
      "for f in \"$2\"/*.dds; do \"$3\" \"$f\" \"${f%.dds}.png\" || exit 1; done\n";
  const Timing shell = BestOf({"/bin/sh", "-c", script, cli, archive, theirs.string(), imageMagick}, theirs);

  std::printf("%d textures (sides 16 to 512, DXT1/DXT5/A8R8G8B8, some with mip chains), %.1f Mpixel, "
              "archive %.1f MiB; best of %d runs\n",
              kTextures, static_cast<double>(made.pixels) / 1e6,
              static_cast<double>(fs::file_size(archive)) / 1048576.0, kRuns);
  if (quorvin.wall < 0 || shell.wall < 0) {
    std::printf("failed (extract --convert %s, raw extract + ImageMagick %s)\n", quorvin.wall < 0 ? "failed" : "ok",
                shell.wall < 0 ? "failed" : "ok");
  } else {
    std::printf("%-36s %9s %9s %7s\n", "", "wall [s]", "cpu [s]", "PNGs");
    std::printf("%-36s %9.3f %9.3f %7zu\n", "quorvin-cli extract --convert png", quorvin.wall, quorvin.cpu,
                Count(ours, ".png"));
    std::printf("%-36s %9.3f %9.3f %7zu\n", "extract + ImageMagick convert each", shell.wall, shell.cpu,
                Count(theirs, ".png"));
    std::printf("ratio (script time / ours): wall %.2f, cpu %.2f\n", shell.wall / quorvin.wall,
                shell.cpu / quorvin.cpu);
  }
  fs::remove_all(dir);
  return 0;
}

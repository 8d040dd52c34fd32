// Export speed: `quorvin-cli convert` of a 2048 x 2048 DXT5 texture to BMP, side by
// side with ImageMagick's convert of the same file to BMP; once with the top
// level only and once with the full mip chain (which our loader reads whole).
// Prints the best of a few runs and the ratio (ImageMagick's time over ours;
// the target is 3 or more). Usage: bench_export_bmp BUILD_DIR
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
#include "Stream.h"

extern char** environ;

namespace {

constexpr int kSide = 2048;
constexpr int kRuns = 5;

// Smooth colour ramps with a little noise and a radial alpha: the block encoder
// picks real endpoints and both decoders have every kind of block to expand.
std::vector<uint8_t> TexturePixels() {
  std::vector<uint8_t> bgra(size_t{kSide} * kSide * 4);
  uint32_t noise = 99991;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      noise = noise * 1103515245u + 12345u;
      const int grain = static_cast<int>(noise >> 27) - 16;
      const int dx = x - kSide / 2, dy = y - kSide / 2;
      uint8_t* p = &bgra[(size_t(y) * kSide + x) * 4];
      p[0] = static_cast<uint8_t>(std::clamp(x / 8 + grain, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(y / 8 + grain, 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp((x + y) / 16 + grain, 0, 255));
      p[3] = static_cast<uint8_t>(std::clamp(255 - (dx * dx + dy * dy) / 8192, 0, 255));
    }
  }
  return bgra;
}

struct Timing {
  double wall = -1;  // seconds
  double cpu = -1;   // user + system seconds of the child: steadier on a busy machine
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

// The best wall time and the best CPU time of a few runs.
Timing BestOf(const std::vector<std::string>& argv) {
  Timing best;
  for (int i = 0; i < kRuns; ++i) {
    const Timing t = TimeRun(argv);
    if (t.wall < 0) return {};
    best.wall = best.wall < 0 ? t.wall : std::min(best.wall, t.wall);
    best.cpu = best.cpu < 0 ? t.cpu : std::min(best.cpu, t.cpu);
  }
  return best;
}

long long FileSize(const std::filesystem::path& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<long long>(size);
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path build = argc > 1 ? argv[1] : "build";
  const std::string cli = (build / "cli" / "quorvin-cli").string();
  const std::string imageMagick = "/usr/bin/convert";
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("quorvin-bench-bmp-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::vector<uint8_t> pixels = TexturePixels();

  std::printf("2048 x 2048 DXT5 texture to BMP, best of %d runs\n", kRuns);
  std::printf("%-10s %11s %9s %9s %9s %9s %11s %11s\n", "levels", "DDS [B]", "ours [s]", "IM [s]", "ours cpu",
              "IM cpu", "wall ratio", "cpu ratio");
  for (const int levels : {1, 0}) {
    const std::string dds = (dir / "texture.dds").string();
    const std::vector<uint8_t> file = MakeBlockDds(TImageFormat::DXT5, pixels, kSide, kSide, levels);
    WriteFileSafely(dds, file.data(), static_cast<int64_t>(file.size()));
    const Timing ours = BestOf({cli, "convert", dds, (dir / "ours.bmp").string()});
    const Timing theirs = BestOf({imageMagick, dds, (dir / "im.bmp").string()});
    const char* label = levels == 1 ? "top only" : "full chain";
    if (ours.wall < 0 || theirs.wall < 0) {
      std::printf("%-10s failed (ours %s, ImageMagick %s)\n", label, ours.wall < 0 ? "failed" : "ok",
                  theirs.wall < 0 ? "failed" : "ok");
      continue;
    }
    std::printf("%-10s %11lld %9.3f %9.3f %9.3f %9.3f %11.2f %11.2f\n", label, FileSize(dds), ours.wall, theirs.wall,
                ours.cpu, theirs.cpu, theirs.wall / ours.wall, theirs.cpu / ours.cpu);
  }
  std::printf("ratio = ImageMagick time / our time (target: 3 or more)\n");
  std::filesystem::remove_all(dir);
  return 0;
}

// Export speed: `quorvin-cli convert` of a 2048 x 2048 DXT5 texture to PNG and to
// JPEG, side by side with ImageMagick's convert of the same file to the same
// format. Prints the best of a few runs for each and the ratio (ImageMagick's time
// over ours; above 1 means we are faster). Usage: bench_export_png_jpeg BUILD_DIR
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "DdsMaker.h"
#include "Stream.h"

extern char** environ;

namespace {

constexpr int kSide = 2048;
constexpr int kRuns = 3;

// Something like a texture: smooth colour fields, fine detail and a soft alpha
// mask, so both the block encoder and the picture coders have real work.
std::vector<uint8_t> TexturePixels() {
  std::vector<uint8_t> bgra(size_t{kSide} * kSide * 4);
  uint32_t noise = 12345;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const double fx = x / double(kSide), fy = y / double(kSide);
      const int detail = static_cast<int>(noise >> 28) - 8;
      uint8_t* p = &bgra[(size_t(y) * kSide + x) * 4];
      p[0] = static_cast<uint8_t>(std::clamp(128 + 100 * std::sin(9 * fx + 4 * fy) + detail, 0.0, 255.0));
      p[1] = static_cast<uint8_t>(std::clamp(128 + 90 * std::cos(7 * fy - 3 * fx) + detail, 0.0, 255.0));
      p[2] = static_cast<uint8_t>(std::clamp(128 + 110 * std::sin(13 * fx * fy) + detail, 0.0, 255.0));
      p[3] = static_cast<uint8_t>(std::clamp(255 * (1.2 - 1.6 * std::hypot(fx - 0.5, fy - 0.5)), 0.0, 255.0));
    }
  }
  return bgra;
}

// Runs the program quietly; returns the wall time in seconds, or -1 on failure.
double TimeRun(const std::vector<std::string>& argv) {
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
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double BestOf(const std::vector<std::string>& argv) {
  double best = -1;
  for (int i = 0; i < kRuns; ++i) {
    const double t = TimeRun(argv);
    if (t < 0) return -1;
    best = best < 0 ? t : std::min(best, t);
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
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("quorvin-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string dds = (dir / "texture.dds").string();
  const std::vector<uint8_t> file = MakeBlockDds(TImageFormat::DXT5, TexturePixels(), kSide, kSide, 1);
  WriteFileSafely(dds, file.data(), static_cast<int64_t>(file.size()));

  std::printf("2048 x 2048 DXT5 texture (%lld bytes), best of %d runs, wall time\n", FileSize(dds), kRuns);
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
    std::printf("%-6s %12.3f %12.3f %14lld %14lld %8.2f\n", extension, ourTime, theirTime, FileSize(ours),
                FileSize(theirs), theirTime / ourTime);
  }
  std::printf("ratio = ImageMagick time / our time (above 1: ours faster)\n");
  std::filesystem::remove_all(dir);
  return 0;
}

#include "BenchSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

extern char** environ;

namespace bench {

namespace fs = std::filesystem;

TRunTime TimeRun(const std::vector<std::string>& argv, const TRunOptions& options) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, options.Stdout.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (options.QuietStderr) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  TRunTime time;
  if (spawned != 0) return time;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return time;
  time.Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
  time.Cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  time.PeakKiB = usage.ru_maxrss;
  return time;
}

TRunTime BestOf(int runs, const std::function<TRunTime()>& run) {
  TRunTime best;
  for (int i = 0; i < runs; ++i) {
    const TRunTime t = run();
    if (t.Wall < 0) return {};
    best.Wall = best.Wall < 0 ? t.Wall : std::min(best.Wall, t.Wall);
    best.Cpu = best.Cpu < 0 ? t.Cpu : std::min(best.Cpu, t.Cpu);
    best.PeakKiB = std::max(best.PeakKiB, t.PeakKiB);
  }
  return best;
}

TRunTime MedianOf(int runs, const std::function<TRunTime()>& run) {
  std::vector<double> wall, cpu;
  long peak = 0;
  for (int i = 0; i < runs; ++i) {
    const TRunTime t = run();
    if (t.Wall < 0) return {};
    wall.push_back(t.Wall);
    cpu.push_back(t.Cpu);
    peak = std::max(peak, t.PeakKiB);
  }
  return {Median(wall), Median(cpu), peak};
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

long long FileSize(const fs::path& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec ? -1 : static_cast<long long>(size);
}

std::string CliPath(const fs::path& build) { return (build / "cli" / "quorvin-cli").string(); }

TScratchDir::TScratchDir(const fs::path& parent) {
  std::string pattern = (parent / "quorvin-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::exit(1);
  FPath = pattern;
}

TScratchDir::~TScratchDir() {
  std::error_code ignored;
  fs::remove_all(FPath, ignored);
}

std::vector<uint8_t> BgraPixels(int width, int height, const std::function<void(int x, int y, uint8_t* p)>& pixel) {
  std::vector<uint8_t> bgra(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixel(x, y, &bgra[(static_cast<size_t>(y) * width + x) * 4]);
  }
  return bgra;
}

}  // namespace bench

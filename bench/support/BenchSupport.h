// Shared by the benchmarks: running another program and timing it, summarising
// several runs, a scratch folder, and filling a picture pixel by pixel.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace bench {

struct TRunTime {
  double Wall = -1;  // seconds; -1 when the program could not start or failed
  double Cpu = -1;   // user + system seconds of the child: steadier on a busy machine
  long PeakKiB = 0;  // the child's peak resident set
};

struct TRunOptions {
  std::string Stdout = "/dev/null";  // where the child's standard output goes
  bool QuietStderr = false;          // standard error to /dev/null as well
};

// One run of argv[0] (a path, not searched) with argv; the wall clock runs from
// the spawn to the child's exit. Failed when it cannot start or exits non-zero.
TRunTime TimeRun(const std::vector<std::string>& argv, const TRunOptions& options = {});

// The best wall time and the best CPU time of runs calls of run; failed as soon
// as one run fails.
TRunTime BestOf(int runs, const std::function<TRunTime()>& run);
// The median wall and CPU time of runs calls of run; failed as soon as one fails.
TRunTime MedianOf(int runs, const std::function<TRunTime()>& run);

// The middle value (the upper one of an even count); -1 when there is none.
double Median(std::vector<double> values);

// The size of a file in bytes, -1 when it cannot be read.
long long FileSize(const std::filesystem::path& path);

// quorvin-cli in a build folder.
std::string CliPath(const std::filesystem::path& build);

// A new empty folder below parent, removed with everything in it at the end.
class TScratchDir {
 public:
  explicit TScratchDir(const std::filesystem::path& parent = std::filesystem::temp_directory_path());
  ~TScratchDir();
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;
  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

// width x height B, G, R, A pixels, rows top to bottom, each set by pixel(x, y,
// p) in that order (so a generator may carry state from pixel to pixel).
std::vector<uint8_t> BgraPixels(int width, int height, const std::function<void(int x, int y, uint8_t* p)>& pixel);

}  // namespace bench

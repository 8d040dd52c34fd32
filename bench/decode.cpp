// Texture decoding speed.
// 1. Block decoding of 4096 x 4096 DXT1 and DXT5 textures to A8R8G8B8, in MB/s
//    of output (10^6 bytes; target 1000 MB/s or more on one core), median of
//    several rounds: once into an output buffer kept from the previous round (the
//    decoder's own speed), once through ConvertImageFormat with a fresh 64 MiB
//    output (the kernel's zeroing of new pages included). Times are the thread's
//    CPU time, so other work on the shared machine does not count against us.
// 2. `quorvin-cli info` on a 2048 x 2048 DXT5 texture with its full mip chain,
//    side by side with ImageMagick's `identify` of the same file: median wall
//    time and median CPU time (user + system) of the child process.
// Usage: bench_decode BUILD_DIR
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "BlockDecoding.h"
#include "DdsMaker.h"
#include "ImageData.h"
#include "Stream.h"

namespace {

using bench::Median;
using bench::TRunTime;

constexpr int kRounds = 7;

// Encoded smooth gradients with noise: every block holds distinct endpoints and
// a spread of indices, and DXT1 blocks come in both colour modes.
TImageData BlockTexture(TImageFormat format, int side) {
  std::minstd_rand random(7);
  const std::vector<uint8_t> bgra = bench::BgraPixels(side, side, [&](int x, int y, uint8_t* p) {
    const int grain = static_cast<int>(random() % 32);
    p[0] = static_cast<uint8_t>(x / 16 + grain);
    p[1] = static_cast<uint8_t>(y / 16 + grain);
    p[2] = static_cast<uint8_t>((x ^ y) / 16);
    p[3] = static_cast<uint8_t>((x + y) % 7 == 0 ? 0 : 255 - grain);
  });
  TImageData image;
  NewImage(side, side, format, image);
  const std::vector<uint8_t> blocks = EncodeDdsBlocks(format, bgra, side, side);
  std::copy(blocks.begin(), blocks.end(), image.Bits.begin());
  return image;
}

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double MBPerSecond(double bytes, double seconds) { return bytes / seconds / 1e6; }

void BenchBlockDecoding() {
  constexpr int kSide = 4096;
  const double outputBytes = double(kSide) * kSide * 4;
  std::printf("Block decoding of %d x %d to A8R8G8B8, median of %d rounds, thread CPU time\n", kSide, kSide,
              kRounds);
  std::printf("%-6s %14s %14s %16s %16s\n", "format", "reused [ms]", "reused MB/s", "fresh [ms]", "fresh MB/s");
  for (TImageFormat format : {TImageFormat::DXT1, TImageFormat::DXT5}) {
    const TImageData source = BlockTexture(format, kSide);
    std::vector<double> reused, fresh;
    TImageData output;
    DecodeBlockImage(source, output);
    for (int round = 0; round < kRounds; ++round) {
      double start = ThreadSeconds();
      DecodeBlockImage(source, output);
      reused.push_back(ThreadSeconds() - start);
      TImageData image = source;
      start = ThreadSeconds();
      ConvertImageFormat(image, TImageFormat::A8R8G8B8);
      fresh.push_back(ThreadSeconds() - start);
    }
    const double r = Median(reused), f = Median(fresh);
    std::printf("%-6s %14.1f %14.0f %16.1f %16.0f\n", GetFormatName(format).c_str(), r * 1e3,
                MBPerSecond(outputBytes, r), f * 1e3, MBPerSecond(outputBytes, f));
  }
  std::printf("target: 1000 MB/s or more\n\n");
}

// The median of a few runs with the output discarded: wall time and the child's
// user + system time.
TRunTime MedianRun(const std::vector<std::string>& argv) {
  return bench::MedianOf(kRounds, [&] { return bench::TimeRun(argv, {.QuietStderr = true}); });
}

void PrintRun(const char* name, const TRunTime& t) {
  if (t.Wall < 0) std::printf("%-24s %10s\n", name, "failed");
  else std::printf("%-24s %10.1f %10.1f\n", name, t.Wall * 1e3, t.Cpu * 1e3);
}

void BenchInfo(const std::filesystem::path& build) {
  constexpr int kSide = 2048;
  const bench::TScratchDir scratch;
  const std::string dds = (scratch.Path() / "texture.dds").string();
  std::vector<uint8_t> bgra(size_t(kSide) * kSide * 4);
  for (size_t i = 0; i < bgra.size(); ++i) bgra[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
  const std::vector<uint8_t> file = MakeBlockDds(TImageFormat::DXT5, bgra, kSide, kSide, 0);
  WriteFileSafely(dds, file.data(), static_cast<int64_t>(file.size()));

  const TRunTime ours = MedianRun({bench::CliPath(build), "info", dds});
  const TRunTime theirs = MedianRun({"/usr/bin/identify", dds});
  std::printf("Subimage list of a %d x %d DXT5 texture with 12 levels (%zu bytes), median of %d runs\n", kSide,
              kSide, file.size(), kRounds);
  std::printf("%-24s %10s %10s\n", "program", "wall [ms]", "CPU [ms]");
  PrintRun("quorvin-cli info", ours);
  PrintRun("identify (ImageMagick)", theirs);
  if (ours.Wall > 0 && theirs.Wall > 0) {
    std::printf("ratio identify / ours: wall %.2f, CPU %.2f\n", theirs.Wall / ours.Wall, theirs.Cpu / ours.Cpu);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path build = argc > 1 ? argv[1] : "build";
  BenchBlockDecoding();
  BenchInfo(build);
  return 0;
}

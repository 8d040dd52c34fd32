// Archive reading at scale: an archive whose resource stream is 1 GiB, in 64 KiB
// compressed chunks of moderately compressible content, made with the SDS maker.
//
//  - open: `quorvin-cli list` against a minimal program that inflates the same
//    chunks with zlib into one buffer sized in advance (this executable run with
//    --bare-inflate); medians of several rounds, and the ratio (target <= 1.10);
//  - memory: peak resident set of `quorvin-cli list` against the resource stream's
//    size (target <= 1.10 x stream + 64 MiB);
//  - extract: `quorvin-cli extract` of every entry into a tmpfs folder against
//    `cp -r` of the same files from tmpfs to tmpfs; the write phase (writing the
//    entries once the archive is open, timed inside a child that makes the same
//    library calls as extract) against cp (target: no slower than cp).
//
// Usage: bench_archive [BUILD_DIR] [--stream-mib N] [--rounds N]
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "SdsMaker.h"
#include "TavrelLib.h"

namespace fs = std::filesystem;
using sdsmaker::Bytes;

namespace {

constexpr int64_t kMiB = 1 << 20;

// ---- Content --------------------------------------------------------------

struct Random {
  uint64_t state;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>(state >> 11);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
};

// Block-compressed texture data: smooth endpoint colours, noisy indices.
Bytes TextureData(Random& r, size_t size) {
  Bytes b(size);
  uint32_t base = r.Next();
  for (size_t i = 0; i + 8 <= size; i += 8) {
    base += 0x00010203u * static_cast<uint32_t>(r.Below(3));
    const uint32_t colours = base, indices = r.Below(4) ? r.Next() : 0x55555555u;
    std::memcpy(&b[i], &colours, 4);
    std::memcpy(&b[i + 4], &indices, 4);
  }
  return b;
}

// Markup-like text from a small vocabulary.
Bytes TextData(Random& r, size_t size) {
  static const char* const kWords[] = {"<entry ", "name=\"", "wall_", "texture", "\" id=\"", "/>\n", "  ",
                                       "<param value=\"", "0.5", "1.0", "true", "false", "</entry>\n",
                                       "sound/", "fx_", "glow", "material", "diffuse", "normal", "specular"};
  Bytes b;
  b.reserve(size);
  while (b.size() < size) {
    const char* w = kWords[r.Below(20)];
    b.insert(b.end(), w, w + std::strlen(w));
    if (r.Below(4) == 0) {
      const std::string n = std::to_string(r.Next() % 100000);
      b.insert(b.end(), n.begin(), n.end());
    }
  }
  b.resize(size);
  return b;
}

// 16-bit samples: a wandering tone with noise.
Bytes SoundData(Random& r, size_t size) {
  Bytes b(size);
  int32_t value = 0, step = 300;
  for (size_t i = 0; i + 2 <= size; i += 2) {
    if (value > 20000 || value < -20000) step = -step;
    value += step + r.Below(64) - 32;
    b[i] = static_cast<uint8_t>(value);
    b[i + 1] = static_cast<uint8_t>(value >> 8);
  }
  return b;
}

struct BenchArchive {
  Bytes file;
  int64_t streamSize = 0;
  size_t entries = 0;
  std::map<std::string, Bytes> files;  // what extract must write, by name
};

BenchArchive MakeArchive(int64_t streamBytes) {
  Random r{0x9E3779B97F4A7C15ull};
  sdsmaker::Archive a;
  a.chunking.sizes = {64 * 1024};
  a.chunking.compressed = {true};
  a.chunking.level = 6;
  int64_t total = 0;
  for (int i = 0; total < streamBytes; ++i) {
    sdsmaker::Resource res;
    const int kind = i % 8;
    const size_t size = static_cast<size_t>(16 * 1024 + r.Below(2 * static_cast<int>(kMiB)));
    const std::string n = std::to_string(i);
    if (kind < 4) {
      res.typeName = "Texture";
      res.source = "/textures/t" + n + ".dds";
      res.data = TextureData(r, size);
    } else if (kind < 6) {
      res.typeName = "XML";
      res.source = "/data/d" + n + ".xml";
      res.data = TextData(r, size);
    } else {
      res.typeName = "Sound";
      res.source = "/sound/s" + n + ".wav";
      res.headerName = "s" + n;
      res.data = SoundData(r, size);
    }
    total += static_cast<int64_t>(size) + 64;
    a.resources.push_back(std::move(res));
  }
  sdsmaker::Built built = sdsmaker::Build(a);
  BenchArchive out;
  out.streamSize = static_cast<int64_t>(built.resourceStream.size());
  out.entries = built.entries.size();
  for (size_t i = 0; i < built.entries.size(); ++i) {
    out.files[a.resources[i].source.substr(a.resources[i].source.rfind('/') + 1)] = built.EntryBytes(built.entries[i]);
  }
  out.file = std::move(built.file);
  return out;
}

// ---- The minimal baseline ----------------------------------------------------

int32_t Int32At(const uint8_t* p) {
  return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// Reads the chunk chain and inflates every chunk into one buffer of the known size.
int BareInflate(const char* path, int64_t streamSize) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return 2;
  uint8_t header[80];
  if (std::fread(header, 1, 80, f) != 80) return 2;
  fseeko(f, Int32At(header + 20) + 9, SEEK_SET);
  std::unique_ptr<uint8_t[]> out(new uint8_t[static_cast<size_t>(streamSize)]);
  std::vector<uint8_t> chunk;
  int64_t filled = 0;
  for (;;) {
    uint8_t head[4];
    if (std::fread(head, 1, 4, f) != 4) return 3;
    const int32_t length = Int32At(head);
    if (length == 0) break;
    uint8_t flag[7];
    if (std::fread(flag, 1, 7, f) != 7) return 3;  // flag, unused value, header length 6
    chunk.resize(static_cast<size_t>(length - 6));
    if (std::fread(chunk.data(), 1, chunk.size(), f) != chunk.size()) return 3;
    uLongf produced = static_cast<uLongf>(streamSize - filled);
    if (uncompress(out.get() + filled, &produced, chunk.data(), static_cast<uLong>(chunk.size())) != Z_OK) return 4;
    filled += static_cast<int64_t>(produced);
  }
  std::fclose(f);
  return filled == streamSize ? 0 : 5;
}

// ---- Running and measuring ---------------------------------------------------

using bench::Median;

// One run of argv with its standard output to stdoutPath; says on standard error
// when it fails.
bench::TRunTime TimeProgram(const std::vector<std::string>& argv, const std::string& stdoutPath = "/dev/null") {
  const bench::TRunTime run = bench::TimeRun(argv, {.Stdout = stdoutPath});
  if (run.Wall < 0) std::fprintf(stderr, "failed: %s\n", argv[0].c_str());
  return run;
}

struct Series {
  std::vector<double> seconds;
  long peakKiB = 0;
  void Add(const bench::TRunTime& r) {
    seconds.push_back(r.Wall);
    peakKiB = std::max(peakKiB, r.PeakKiB);
  }
  double median() const { return Median(seconds); }
};

void Fresh(const fs::path& dir) {
  fs::remove_all(dir);
  fs::create_directory(dir);
}

// Opens the archive, then times writing every entry into the folder the way
// extract does (the same library call); prints the seconds to standard output.
int WritePhase(const char* archive, const char* folder) {
  std::unique_ptr<TIEFile> sds = std::make_unique<TIEFile>();
  sds->me = &sds;
  sds->ReadFile(archive);
  const auto begin = std::chrono::steady_clock::now();
  for (const TIEFile_Entry& entry : sds->files) SaveEntryToFile(entry, std::string(folder) + "/" + entry.GetFileName());
  std::printf("%.6f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
  return 0;
}

// Made in a child process: a child's peak resident set starts from its parent's
// (it is carried over the exec), so the measuring process must stay small.
int Make(const char* archive, const char* sourceDir, int64_t streamMiB, const char* infoPath) {
  BenchArchive made = MakeArchive(streamMiB * kMiB);
  sdsmaker::WriteBytes(archive, made.file);
  for (const auto& [name, bytes] : made.files) sdsmaker::WriteBytes((fs::path(sourceDir) / name).string(), bytes);
  const std::string info = std::to_string(made.streamSize) + " " + std::to_string(made.entries) + " " +
                           std::to_string(made.file.size());
  sdsmaker::WriteBytes(infoPath, Bytes(info.begin(), info.end()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--bare-inflate") == 0) return BareInflate(argv[2], std::atoll(argv[3]));
  if (argc == 6 && std::strcmp(argv[1], "--make") == 0) return Make(argv[2], argv[3], std::atoll(argv[4]), argv[5]);
  if (argc == 4 && std::strcmp(argv[1], "--write-phase") == 0) return WritePhase(argv[2], argv[3]);

  fs::path build = fs::canonical("/proc/self/exe").parent_path().parent_path();
  int64_t streamMiB = 1024;
  int rounds = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--stream-mib" && i + 1 < argc) {
      streamMiB = std::atoll(argv[++i]);
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      build = arg;
    }
  }
  const std::string cli = bench::CliPath(build);
  const std::string self = fs::canonical("/proc/self/exe").string();

  // On tmpfs where there is one, so that the disk does not time extract and cp.
  const bench::TScratchDir scratch(fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
  const std::string archive = (scratch.Path() / "bench.sds").string();
  const fs::path source = scratch.Path() / "source", out = scratch.Path() / "out", copy = scratch.Path() / "copy";
  std::printf("making the archive (%lld MiB resource stream, 64 KiB chunks)...\n", static_cast<long long>(streamMiB));
  std::fflush(stdout);
  fs::create_directory(source);
  const std::string infoPath = (scratch.Path() / "info").string();
  if (TimeProgram({self, "--make", archive, source.string(), std::to_string(streamMiB), infoPath}).Wall < 0) return 1;
  long long streamSizeRead = 0, fileSize = 0;
  size_t entries = 0;
  std::FILE* info = std::fopen(infoPath.c_str(), "r");
  if (!info || std::fscanf(info, "%lld %zu %lld", &streamSizeRead, &entries, &fileSize) != 3) return 1;
  std::fclose(info);
  const int64_t streamSize = streamSizeRead;
  const double fileMiB = static_cast<double>(fileSize) / kMiB;
  std::printf("archive: %.1f MiB file, %.1f MiB resource stream, %zu entries (compression %.2f:1)\n", fileMiB,
              static_cast<double>(streamSize) / kMiB, entries, static_cast<double>(streamSize) / kMiB / fileMiB);

  Series list, bare, extract, cp;
  std::vector<double> writePhases;
  const std::string phasePath = (scratch.Path() / "phase").string();
  for (int round = 0; round < rounds; ++round) {
    list.Add(TimeProgram({cli, "list", archive}));
    bare.Add(TimeProgram({self, "--bare-inflate", archive, std::to_string(streamSize)}));
    Fresh(out);
    extract.Add(TimeProgram({cli, "extract", archive, out.string()}));
    Fresh(out);
    TimeProgram({self, "--write-phase", archive, out.string()}, phasePath);
    std::FILE* phase = std::fopen(phasePath.c_str(), "r");
    double seconds = -1;
    if (phase && std::fscanf(phase, "%lf", &seconds) == 1) writePhases.push_back(seconds);
    if (phase) std::fclose(phase);
    Fresh(copy);
    cp.Add(TimeProgram({"/bin/cp", "-r", source.string() + "/.", copy.string()}));
  }
  fs::remove_all(out);
  fs::remove_all(copy);

  const double streamMiBExact = static_cast<double>(streamSize) / kMiB;
  const double peakMiB = static_cast<double>(list.peakKiB) / 1024;
  const double allowedMiB = 1.10 * streamMiBExact + 64;
  const double writePhase = Median(writePhases);
  std::printf("medians of %d rounds:\n", rounds);
  std::printf("  open (quorvin-cli list)   %7.3f s\n", list.median());
  std::printf("  bare zlib inflate         %7.3f s\n", bare.median());
  std::printf("  open / bare               %7.3f   (target <= 1.10)\n", list.median() / bare.median());
  std::printf("  peak RSS of list          %7.1f MiB (stream %.1f MiB; target <= %.1f MiB; ratio to stream %.3f)\n",
              peakMiB, streamMiBExact, allowedMiB, peakMiB / streamMiBExact);
  std::printf("  peak RSS of bare inflate  %7.1f MiB\n", static_cast<double>(bare.peakKiB) / 1024);
  std::printf("  extract (whole command)   %7.3f s\n", extract.median());
  std::printf("  extract - list            %7.3f s\n", extract.median() - list.median());
  std::printf("  extract write phase       %7.3f s   (timed inside, after the open)\n", writePhase);
  std::printf("  cp -r from tmpfs          %7.3f s\n", cp.median());
  std::printf("  write phase / cp          %7.3f   (target <= 1.00)\n", writePhase / cp.median());
  return 0;
}

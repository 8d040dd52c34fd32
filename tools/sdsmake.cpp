// sdsmake: builds an SDS archive from a text description (see SdsDescription.h).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "SdsDescription.h"
#include "SdsMaker.h"

namespace {

const char kUsage[] =
    "Usage: sdsmake DESCRIPTION OUTPUT.sds\n"
    "Builds an SDS archive from a description, one directive per line:\n"
    "  chunk-size N...            content bytes per data chunk, used in turn\n"
    "  chunks compressed|stored|alternate\n"
    "  level 0..9                 zlib level of compressed chunks\n"
    "  chunk-text TEXT            text in each compressed chunk's header\n"
    "  type-row NAME V1 V2        a row of the type table\n"
    "  resource TYPE SOURCE DATA  a resource\n"
    "  name NAME                  Sound/MemFile name or Script folder of the last resource\n"
    "  sub FILENAME DATA          a sub-script of the last resource (a Script)\n"
    "DATA: file:PATH, text:STRING, hex:00FF.., zeros:N, random:N[:SEED], empty.\n"
    "Words may be double-quoted. Lines starting with # are comments.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs(kUsage, argc == 2 && std::string(argv[1]) == "--help" ? stdout : stderr);
    return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    const std::string base = std::filesystem::absolute(argv[1]).parent_path().string();
    const sdsmaker::Built built = sdsmaker::Build(sdsmaker::ParseDescription(text, base));
    sdsmaker::WriteBytes(argv[2], built.file);
    std::printf("%s: %zu entries, %zu bytes of resources in %zu chunks, %zu bytes\n", argv[2], built.entries.size(),
                built.resourceStream.size(), built.chunkOffsets.size(), built.file.size());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sdsmake: %s\n", e.what());
    return 1;
  }
}

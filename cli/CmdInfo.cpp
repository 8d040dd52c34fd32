// quorvin-cli info [--json] INPUT: the subimage list of a DDS file.
#include <iostream>
#include <string>

#include "CliSupport.h"
#include "Commands.h"
#include "DDSFormat.h"
#include "DDSHeader.h"
#include "Exceptions.h"
#include "Format.h"
#include "Stream.h"

namespace {

struct TInfoOptions {
  bool Json = false;
  std::string Input;
};

TInfoOptions ParseInfoArgs(const Args& args) {
  TInfoOptions options;
  bool inputSeen = false;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      options.Json = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("info: unknown option '" + arg + "'");
    } else if (!inputSeen) {
      options.Input = arg;
      inputSeen = true;
    } else {
      throw UsageError("info: more than one INPUT given");
    }
  }
  if (!inputSeen) throw UsageError("info: INPUT missing");
  return options;
}

std::string FourCCText(uint32_t code) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>(code >> (8 * i));
    if (c < 0x20 || c > 0x7E) return std::to_string(code);
    text += c;
  }
  return "'" + text + "'";
}

// Why a file with a valid header gave no subimages, for the failure message.
std::string WhyNothingLoaded(TStream& stream, const std::string& input) {
  uint8_t bytes[kDDSHeaderBytes] = {};
  stream.SetPosition(0);
  stream.Read(bytes, kDDSHeaderBytes);
  const TDDSHeader header = ParseDDSHeader(bytes);
  if (!SelectDDSPixelFormat(header)) {
    const std::string what = (header.PfFlags & 0x4)
                                 ? "FourCC " + FourCCText(header.FourCC)
                                 : Format("pixel-format flags 0x%X, %u bits", header.PfFlags, header.RGBBitCount);
    return input + ": unsupported DDS pixel format (" + what + "); nothing decoded";
  }
  return input + ": the texture holds no subimage (a cube map without faces or a volume of depth 0)";
}

std::string TextReport(const TDynImageDataArray& images) {
  std::string out;
  for (size_t i = 0; i < images.size(); ++i) {
    out += Format("%zu\t%dx%d\t%s\n", i, images[i].Width, images[i].Height, GetFormatInfo(images[i].Format).Name);
  }
  return out;
}

std::string JsonReport(const TDDSFileFormat& dds, const TDynImageDataArray& images) {
  std::string out = Format("{\"cube_map\": %s, \"volume\": %s, \"mipmap_count\": %d, \"depth\": %d, \"subimages\": [",
                           dds.FLoadedCubeMap ? "true" : "false", dds.FLoadedVolume ? "true" : "false",
                           dds.FLoadedMipMapCount, dds.FLoadedDepth);
  for (size_t i = 0; i < images.size(); ++i) {
    out += Format("%s{\"index\": %zu, \"width\": %d, \"height\": %d, \"format\": %s, \"size\": %d}", i ? ", " : "", i,
                  images[i].Width, images[i].Height, JsonString(GetFormatInfo(images[i].Format).Name).c_str(),
                  images[i].Size);
  }
  return out + "]}\n";
}

}  // namespace

int RunInfo(const Args& args) {
  const TInfoOptions options = ParseInfoArgs(args);
  TFileStream stream(options.Input);
  TDDSFileFormat dds;
  TDynImageDataArray images;
  if (!dds.LoadFromStream(stream, images, false)) throw Exception(WhyNothingLoaded(stream, options.Input));
  std::cout << (options.Json ? JsonReport(dds, images) : TextReport(images));
  std::cout.flush();
  if (!std::cout) throw EInOutError("info: writing to standard output failed");
  return 0;
}

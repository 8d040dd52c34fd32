// Helpers of the texture-decoding tests: loading DDS bytes, building small
// images, and reading reference pictures with an independent decoder (Pillow).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "DDSFormat.h"
#include "ImageData.h"

namespace imaging_tests {

struct TLoadResult {
  bool Ok = false;
  std::string Error;  // the exception text, empty when none was raised
  TDynImageDataArray Images;
  bool CubeMap = false, Volume = false;
  int32_t MipMapCount = 0, Depth = 0;
  int64_t StreamPositionAfter = 0;
};
// Loads a DDS file from memory (the stream starts at startOffset).
TLoadResult LoadDds(const std::vector<uint8_t>& bytes, int64_t startOffset = 0);

// An image of the given format whose bytes are exactly these.
TImageData ImageFromBytes(TImageFormat format, int32_t width, int32_t height, const std::vector<uint8_t>& bytes);

struct TRgbaPicture {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Rgba;  // R, G, B, A per pixel, rows top to bottom
};
// Picture files as Pillow decodes them, read in one Python run; an empty result
// with error set when that run fails.
std::vector<TRgbaPicture> ReadRgbaWithPillow(const std::vector<std::filesystem::path>& paths, std::string& error);

}  // namespace imaging_tests

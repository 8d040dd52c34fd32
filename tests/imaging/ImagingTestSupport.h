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

// R, G, B, A bytes of a picture file as Pillow decodes it; empty with error set on failure.
std::vector<uint8_t> ReadRgbaWithPillow(const std::filesystem::path& path, int& width, int& height,
                                        std::string& error);

}  // namespace imaging_tests

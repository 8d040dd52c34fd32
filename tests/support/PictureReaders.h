// Independent readers for checking written picture files: Pillow (Debian's
// python3-pil, run by /usr/bin/python3) and ImageMagick's convert.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct DecodedPicture {
  bool ok = false;
  std::string error;  // the reader's complaint when !ok
  std::string mode;   // Pillow's mode ("RGB", "RGBA", "P", "L"); empty for ImageMagick
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // rows top to bottom, 8-bit R, G, B, A per pixel
};

// Decodes every file in one Pillow run (one process for the whole batch).
std::vector<DecodedPicture> ReadWithPillow(const std::vector<std::filesystem::path>& paths);
// Decodes one file with ImageMagick, pixels as 8-bit RGBA.
DecodedPicture ReadWithImageMagick(const std::filesystem::path& path);

}  // namespace testing_support

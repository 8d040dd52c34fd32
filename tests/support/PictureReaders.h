// Independent readers for checking written picture files: Pillow (Debian's
// python3-pil, run by /usr/bin/python3) and ImageMagick's convert. One reader
// each, at 16 bits per channel; the 8-bit entry points narrow its result.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// ---- 8 bits per channel ------------------------------------------------------

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
// Decodes one file with ImageMagick (all of it: a file of several frames fails).
DecodedPicture ReadWithImageMagick(const std::filesystem::path& path);

// ---- 16 bits per channel -----------------------------------------------------

struct TRgba16 {
  uint16_t R = 0, G = 0, B = 0, A = 0;
};

struct TDecoded {
  bool Ok = false;
  std::string Error;
  std::string Mode;  // Pillow's image mode; empty for ImageMagick
  int Width = 0;
  int Height = 0;
  std::vector<TRgba16> Pixels;  // rows top to bottom, scaled to 16 bits
  int Bits = 16;                // significant bits per sample the reader delivered
};

// One frame of the file (the first by default), 16 bits per channel.
TDecoded ReadWithMagick16(const std::filesystem::path& file, int frame = 0);
// One Pillow run for all files; 16-bit grey modes keep 16 bits, the rest 8.
std::vector<TDecoded> ReadWithPillow16(const std::vector<std::filesystem::path>& files);

}  // namespace testing_support

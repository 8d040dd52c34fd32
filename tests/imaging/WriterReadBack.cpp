#include "WriterReadBack.h"

#include <cmath>
#include <sstream>

#include "Stream.h"
#include "TestSupport.h"

namespace writer_readback {

namespace {

using testing_support::RunProgram;

// A spread of 16-bit values: a multiplicative hash keeps neighbours apart.
uint16_t PatternValue(int32_t x, int32_t y, int channel) {
  const uint32_t seed = static_cast<uint32_t>(x * 37 + y * 101 + channel * 53 + 7);
  return static_cast<uint16_t>((seed * 2654435761u) >> 16);
}

uint16_t PatternAlpha(int32_t x, int32_t y) {
  switch ((x + 2 * y) % 5) {
    case 0: return 0;
    case 1: return 65535;
    default: return PatternValue(x, y, 3);
  }
}

// Pillow script: per file "OK mode width height bits count\n" and count bytes of
// little-endian 16-bit R, G, B, A, or "ERR text\n".
constexpr const char* kPillowScript = R"(
import sys, struct
from PIL import Image
out = sys.stdout.buffer
for path in sys.argv[1:]:
    try:
        im = Image.open(path)
        im.load()
        if im.mode.startswith('I'):
            values = [min(max(int(v), 0), 65535) for v in im.getdata()]
            data = b''.join(struct.pack('<4H', v, v, v, 65535) for v in values)
            bits = 16
        else:
            data = b''.join(struct.pack('<4H', *(c * 257 for c in p)) for p in im.convert('RGBA').getdata())
            bits = 8
        out.write(('OK %s %d %d %d %d\n' % (im.mode, im.width, im.height, bits, len(data))).encode())
        out.write(data)
    except Exception as e:
        out.write(('ERR %s\n' % str(e).replace('\n', ' ')).encode())
)";

std::vector<TRgba16> UnpackRgba16(const std::string& bytes, size_t at, size_t count) {
  std::vector<TRgba16> pixels(count / 8);
  for (size_t i = 0; i < pixels.size(); ++i) {
    auto sample = [&](int c) {
      const size_t p = at + 8 * i + 2 * c;
      return static_cast<uint16_t>(static_cast<uint8_t>(bytes[p]) | static_cast<uint8_t>(bytes[p + 1]) << 8);
    };
    pixels[i] = {sample(0), sample(1), sample(2), sample(3)};
  }
  return pixels;
}

// Readers narrow 16-bit samples by truncating or by rounding: at fewer bits,
// either neighbour of the exact narrowed value is faithful.
bool SameAtBits(uint16_t want, uint16_t got, int bits) {
  if (bits >= 16) return want == got;
  const double scale = static_cast<double>((1 << bits) - 1) / 65535.0;
  const double exact = std::round(want * scale * 1000.0) / 1000.0;
  const double seen = std::round(got * scale);
  return seen == std::floor(exact) || seen == std::ceil(exact);
}

}  // namespace

TImageData MakePatternImage(TImageFormat format, int32_t width, int32_t height, bool paletteAlpha) {
  TImageData image;
  NewImage(width, height, format, image);
  const TImageFormatInfo& info = GetFormatInfo(format);
  if (info.IsIndexed) {
    for (size_t i = 0; i < image.Palette.size(); ++i) {
      const int n = static_cast<int>(i);
      image.Palette[i] = {static_cast<uint8_t>(PatternValue(n, 0, 2) >> 8),
                          static_cast<uint8_t>(PatternValue(n, 0, 1) >> 8),
                          static_cast<uint8_t>(PatternValue(n, 0, 0) >> 8),
                          static_cast<uint8_t>(paletteAlpha ? PatternAlpha(n, 0) >> 8 : 255)};
    }
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) image.Bits[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(x * 7 + y * 13);
    }
    return image;
  }
  if (info.IsSpecial) {  // any bytes are valid blocks
    for (size_t i = 0; i < image.Bits.size(); ++i) image.Bits[i] = static_cast<uint8_t>(PatternValue(static_cast<int32_t>(i), 0, 0) >> 8);
    return image;
  }
  uint8_t* pixel = image.Bits.data();
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x, pixel += info.BytesPerPixel) {
      const TColor64Rec color{PatternValue(x, y, 2), PatternValue(x, y, 1), PatternValue(x, y, 0), PatternAlpha(x, y)};
      info.SetPixel64(pixel, info, color);
    }
  }
  return image;
}

std::vector<TRgba16> ExpectedPixels(const TImageData& image) {
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  const bool oneChannel = info.ChannelCount == 1 && !info.IsIndexed;
  std::vector<TRgba16> pixels;
  const uint8_t* pixel = image.Bits.data();
  for (int64_t i = 0; i < int64_t{image.Width} * image.Height; ++i, pixel += info.BytesPerPixel) {
    const TColor64Rec c = info.GetPixel64(pixel, info, image.Palette.data());
    // Grey formats give grey in all three; a one-channel float format its red.
    pixels.push_back(oneChannel ? TRgba16{c.R, c.R, c.R, c.A} : TRgba16{c.R, c.G, c.B, c.A});
  }
  return pixels;
}

// Reads ImageMagick's PAM output: its header names width, height and depth
// (1 grey, 2 grey+alpha, 3 RGB, 4 RGBA); samples are big-endian.
TDecoded ReadWithMagick(const std::filesystem::path& file, int frame) {
  TDecoded decoded;
  const std::string which = file.string() + "[" + std::to_string(frame) + "]";
  const auto run = RunProgram({"/usr/bin/convert", which, "-depth", "16", "pam:-"});
  if (run.exitCode != 0) {
    decoded.Error = "convert: " + run.err;
    return decoded;
  }
  const size_t end = run.out.find("ENDHDR\n");
  if (end == std::string::npos) {
    decoded.Error = "no PAM header from ImageMagick";
    return decoded;
  }
  std::istringstream header(run.out.substr(0, end));
  std::string key;
  int depth = 0;
  while (header >> key) {
    if (key == "WIDTH") header >> decoded.Width;
    else if (key == "HEIGHT") header >> decoded.Height;
    else if (key == "DEPTH") header >> depth;
  }
  const size_t pixels = static_cast<size_t>(decoded.Width) * static_cast<size_t>(decoded.Height);
  const size_t at = end + 7;
  if (depth < 1 || depth > 4 || run.out.size() - at != pixels * depth * 2) {
    decoded.Error = "unexpected PAM from ImageMagick";
    return decoded;
  }
  auto sample = [&](size_t i) {
    return static_cast<uint16_t>(static_cast<uint8_t>(run.out[at + 2 * i]) << 8 |
                                 static_cast<uint8_t>(run.out[at + 2 * i + 1]));
  };
  for (size_t p = 0; p < pixels; ++p) {
    const size_t first = p * depth;
    TRgba16 px;
    if (depth <= 2) {
      px.R = px.G = px.B = sample(first);
    } else {
      px.R = sample(first);
      px.G = sample(first + 1);
      px.B = sample(first + 2);
    }
    px.A = depth % 2 == 0 ? sample(first + depth - 1) : 65535;
    decoded.Pixels.push_back(px);
  }
  decoded.Ok = true;
  return decoded;
}

std::vector<TDecoded> ReadWithPillow(const std::vector<std::filesystem::path>& files) {
  std::vector<std::string> argv = {QUORVIN_PYTHON, "-c", kPillowScript};
  for (const auto& file : files) argv.push_back(file.string());
  const auto run = RunProgram(argv);
  std::vector<TDecoded> result(files.size());
  size_t at = 0;
  for (TDecoded& decoded : result) {
    const size_t eol = run.out.find('\n', at);
    if (eol == std::string::npos) {
      decoded.Error = "no output from Pillow: " + run.err;
      break;
    }
    std::istringstream line(run.out.substr(at, eol - at));
    at = eol + 1;
    std::string status;
    line >> status;
    if (status != "OK") {
      std::getline(line, decoded.Error);
      continue;
    }
    size_t count = 0;
    line >> decoded.Mode >> decoded.Width >> decoded.Height >> decoded.Bits >> count;
    if (count > run.out.size() - at) {
      decoded.Error = "short output from Pillow";
      break;
    }
    decoded.Pixels = UnpackRgba16(run.out, at, count);
    at += count;
    decoded.Ok = true;
  }
  return result;
}

::testing::AssertionResult SamePixels(const TDecoded& decoded, int width, int height,
                                      const std::vector<TRgba16>& expected, const TCompare& how) {
  if (!decoded.Ok) return ::testing::AssertionFailure() << "reader failed: " << decoded.Error;
  if (decoded.Width != width || decoded.Height != height) {
    return ::testing::AssertionFailure() << "size " << decoded.Width << "x" << decoded.Height << ", expected "
                                         << width << "x" << height;
  }
  for (size_t i = 0; i < expected.size(); ++i) {
    const uint16_t want[4] = {expected[i].R, expected[i].G, expected[i].B, expected[i].A};
    const uint16_t got[4] = {decoded.Pixels[i].R, decoded.Pixels[i].G, decoded.Pixels[i].B, decoded.Pixels[i].A};
    for (int c = 0; c < 4; ++c) {
      if (c == 3 && how.IgnoreAlpha) continue;
      if (c < 3 && how.IgnoreColorOfTransparent && want[3] == 0) continue;
      if (c < 3 && how.ColorOnlyWhereOpaque && want[3] != 65535) continue;
      const int bits = std::min(how.Bits[c], decoded.Bits);
      if (!SameAtBits(want[c], got[c], bits)) {
        return ::testing::AssertionFailure() << "pixel (" << i % width << ", " << i / width << ") channel "
                                             << "RGBA"[c] << ": got " << got[c] << ", expected " << want[c]
                                             << " (compared on " << bits << " bits)";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

double ColorPSNR(const TDecoded& decoded, const std::vector<TRgba16>& expected) {
  double squares = 0;
  for (size_t i = 0; i < expected.size() && i < decoded.Pixels.size(); ++i) {
    const int want[3] = {expected[i].R >> 8, expected[i].G >> 8, expected[i].B >> 8};
    const int got[3] = {decoded.Pixels[i].R >> 8, decoded.Pixels[i].G >> 8, decoded.Pixels[i].B >> 8};
    for (int c = 0; c < 3; ++c) squares += double(want[c] - got[c]) * (want[c] - got[c]);
  }
  const double mse = squares / (3.0 * static_cast<double>(expected.size()));
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

std::vector<uint8_t> WritePicture(TImageFileFormat& format, const TImageData& image,
                                  const std::filesystem::path& file) {
  TMemoryStream stream;
  format.SaveImageToStream(stream, image);
  std::vector<uint8_t> bytes(stream.Memory(), stream.Memory() + stream.Size());
  testing_support::WriteFileBytes(file, bytes);
  return bytes;
}

}  // namespace writer_readback

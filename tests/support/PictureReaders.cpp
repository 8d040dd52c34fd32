#include "PictureReaders.h"

#include <sstream>

#include "TestSupport.h"

namespace testing_support {

namespace {

// Arguments: "16" to keep 16-bit grey modes at 16 bits (anything else narrows
// them like every other mode), then the files. Per file "OK mode width height
// bits count\n" and count bytes (8 bits: R, G, B, A bytes; 16 bits: R, G, B, A
// little-endian 16-bit samples), or "ERR text\n".
constexpr const char* kPillowScript = R"(
import sys, struct
from PIL import Image
out = sys.stdout.buffer
wide = sys.argv[1] == '16'
for path in sys.argv[2:]:
    try:
        im = Image.open(path)
        im.load()
        if wide and im.mode.startswith('I'):
            values = [min(max(int(v), 0), 65535) for v in im.getdata()]
            data = b''.join(struct.pack('<4H', v, v, v, 65535) for v in values)
            bits = 16
        else:
            data = im.convert('RGBA').tobytes()
            bits = 8
        out.write(('OK %s %d %d %d %d\n' % (im.mode, im.width, im.height, bits, len(data))).encode())
        out.write(data)
    except Exception as e:
        out.write(('ERR %s\n' % str(e).replace('\n', ' ')).encode())
)";

std::vector<TRgba16> UnpackRgba(const std::string& bytes, size_t at, size_t count, int bits) {
  const size_t bytesPerSample = bits == 16 ? 2 : 1;
  std::vector<TRgba16> pixels(count / (4 * bytesPerSample));
  for (size_t i = 0; i < pixels.size(); ++i) {
    auto sample = [&](int c) {
      const size_t p = at + (4 * i + c) * bytesPerSample;
      const uint8_t low = static_cast<uint8_t>(bytes[p]);
      return static_cast<uint16_t>(bits == 16 ? low | static_cast<uint8_t>(bytes[p + 1]) << 8 : low * 257);
    };
    pixels[i] = {sample(0), sample(1), sample(2), sample(3)};
  }
  return pixels;
}

std::vector<TDecoded> ReadPillow(const std::vector<std::filesystem::path>& files, bool keep16BitGrey) {
  std::vector<std::string> argv = {QUORVIN_PYTHON, "-c", kPillowScript, keep16BitGrey ? "16" : "8"};
  for (const auto& file : files) argv.push_back(file.string());
  const RunResult run = RunProgram(argv);
  std::vector<TDecoded> result(files.size());
  size_t at = 0;
  for (TDecoded& decoded : result) {
    const size_t eol = run.out.find('\n', at);
    if (eol == std::string::npos) {
      decoded.Error = "no output from Pillow: " + run.err;
      continue;
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
    decoded.Pixels = UnpackRgba(run.out, at, count, decoded.Bits);
    at += count;
    decoded.Ok = true;
  }
  return result;
}

// Reads ImageMagick's PAM output of the frame, or of the whole file when frame
// is negative: its header names width, height and depth (1 grey, 2 grey+alpha,
// 3 RGB, 4 RGBA); samples are big-endian.
TDecoded ReadMagick(const std::filesystem::path& file, int frame) {
  TDecoded decoded;
  const std::string which = frame < 0 ? file.string() : file.string() + "[" + std::to_string(frame) + "]";
  const RunResult run = RunProgram({"/usr/bin/convert", which, "-depth", "16", "pam:-"});
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

// 16-bit samples rounded to 8 bits the way ImageMagick narrows them, so values
// widened from 8 bits (v * 257) come back exactly.
uint8_t Narrow(uint16_t v) {
  const uint32_t q = v + 128u;
  return static_cast<uint8_t>((q - (q >> 8)) >> 8);
}

DecodedPicture Narrow(const TDecoded& decoded) {
  DecodedPicture picture;
  picture.ok = decoded.Ok;
  picture.error = decoded.Error;
  picture.mode = decoded.Mode;
  picture.width = decoded.Width;
  picture.height = decoded.Height;
  picture.rgba.reserve(decoded.Pixels.size() * 4);
  for (const TRgba16& p : decoded.Pixels) {
    for (const uint16_t sample : {p.R, p.G, p.B, p.A}) picture.rgba.push_back(Narrow(sample));
  }
  return picture;
}

}  // namespace

std::vector<DecodedPicture> ReadWithPillow(const std::vector<std::filesystem::path>& paths) {
  std::vector<DecodedPicture> pictures;
  for (const TDecoded& decoded : ReadPillow(paths, false)) pictures.push_back(Narrow(decoded));
  return pictures;
}

DecodedPicture ReadWithImageMagick(const std::filesystem::path& path) { return Narrow(ReadMagick(path, -1)); }

TDecoded ReadWithMagick16(const std::filesystem::path& file, int frame) { return ReadMagick(file, frame); }

std::vector<TDecoded> ReadWithPillow16(const std::vector<std::filesystem::path>& files) {
  return ReadPillow(files, true);
}

}  // namespace testing_support

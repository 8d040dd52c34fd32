// The texture preview under the offscreen platform: how long the main window's
// double-click hand-off takes (two copies of the entry, decoding, one button per
// subimage, the display conversion of subimage 0, showing the window), how long
// a button click takes to show another subimage, and a user resize in the fit
// view (layout plus a scaled repaint). Median wall time of several rounds.
// Usage: bench_preview [BUILD_DIR]   (the argument is accepted and not used)
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ButtonGroup.h"
#include "DdsMaker.h"
#include "SdsMaker.h"
#include "TexPrev.h"
#include "Unit1.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 5;

double MedianMs(int rounds, const std::function<void()>& run) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    QCoreApplication::processEvents();
    // Without an event loop, what is deleted later must be deleted here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::vector<uint8_t> Gradient(int side) {
  std::vector<uint8_t> bgra(size_t(side) * side * 4);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      uint8_t* p = &bgra[(size_t(y) * side + x) * 4];
      p[0] = uint8_t(x * 255 / side);
      p[1] = uint8_t(y * 255 / side);
      p[2] = uint8_t((x ^ y) & 0xFF);
      p[3] = uint8_t(255 - (x + y) * 255 / (2 * side));
    }
  }
  return bgra;
}

// A volume of 1 x 1 slices: the most buttons a texture can bring.
std::vector<uint8_t> ManySlices(uint32_t depth) {
  TDdsHeader h = DdsMaskHeader(1, 1, dds::kPfRGB | dds::kPfAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
  h.Flags |= dds::kFlagDepth;
  h.Caps2 |= dds::kCaps2Volume;
  h.Depth = depth;
  return BuildDds(h, std::vector<uint8_t>(size_t(depth) * 4, 0x80));
}

struct TCase {
  const char* Name;
  std::vector<uint8_t> Dds;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The offscreen platform cannot raise windows and says so at every hand-off.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.contains(QStringLiteral("This plugin does not support"))) qt_message_output(type, context, message);
  });

  const std::vector<TCase> cases = {
      {"DXT5 2048 x 2048, 12 levels", MakeBlockDds(TImageFormat::DXT5, Gradient(2048), 2048, 2048, 0)},
      {"A8R8G8B8 2048 x 2048, 1 level", MakeArgbDds(Gradient(2048), 2048, 2048)},
      {"A8R8G8B8 volume 1 x 1 x 65535", ManySlices(65535)},
  };
  sdsmaker::Archive archive;
  for (const TCase& c : cases) archive.resources.push_back({"Texture", std::string("/") + c.Name, c.Dds, {}, {}, {}, {}});
  const fs::path folder = fs::temp_directory_path() / ("bench_preview_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const fs::path path = folder / "bench.sds";
  sdsmaker::WriteBytes(path.string(), sdsmaker::Build(archive).file);

  {
    TForm1 form(QStringList{QString::fromStdString(path.string())});
    TTexPrevWindow preview(&form);
    std::printf("%-32s %12s %12s %12s\n", "texture", "hand-off ms", "click ms", "resize ms");
    for (int row = 0; row < static_cast<int>(cases.size()); ++row) {
      form.List->setCurrentCell(row, 0);
      const double handOff = MedianMs(kRounds, [&] { emit form.List->DoubleClicked(); });
      const int last = preview.ButtonGroup1->ButtonCount() - 1;
      const double click = MedianMs(kRounds, [&] { preview.ButtonGroup1ButtonClicked(std::min(1, last)); });
      preview.ButtonGroup1ButtonClicked(0);
      int step = 0;
      const double resize = MedianMs(kRounds, [&] { preview.resize(600 + 10 * (++step % 2), 500); });
      std::printf("%-32s %12.1f %12.1f %12.1f\n", cases[size_t(row)].Name, handOff, click, resize);
      std::fflush(stdout);
    }
  }
  fs::remove_all(folder);
  return 0;
}

#include "Progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace {

std::string Bytes(double n) {
  static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int unit = 0;
  while (n >= 1024 && unit < 4) {
    n /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", n, kUnits[unit]);
  return text;
}

std::string Clock(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

constexpr size_t kBarWidth = 24;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

std::string Figures(double done, int64_t bytes, int64_t totalBytes, size_t entries, size_t totalEntries,
                    double rate, const std::string& left) {
  char text[160];
  std::snprintf(text, sizeof text, "%3d%%  %s / %s  %zu/%zu entries  %s/s  %s left", static_cast<int>(done * 100),
                Bytes(static_cast<double>(bytes)).c_str(), Bytes(static_cast<double>(totalBytes)).c_str(), entries,
                totalEntries, Bytes(rate).c_str(), left.c_str());
  return text;
}

size_t TerminalColumns(std::FILE* out) {
  winsize size{};
  if (ioctl(fileno(out), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
  return size.ws_col;
}

}  // namespace

ProgressBar::ProgressBar(bool wanted, int64_t totalBytes, size_t totalEntries, std::FILE* out)
    : out_(out),
      active_(wanted && isatty(fileno(out))),
      totalBytes_(totalBytes),
      totalEntries_(totalEntries),
      begin_(std::chrono::steady_clock::now()),
      lastDraw_(begin_) {
  if (active_) Draw(true);
}

ProgressBar::~ProgressBar() {
  if (!active_) return;
  Draw(true);
  std::fputc('\n', out_);
  std::fflush(out_);
}

void ProgressBar::EntryDone(int64_t bytes) {
  bytes_ += std::max<int64_t>(bytes, 0);
  ++entries_;
  if (active_) Draw(entries_ == totalEntries_);
}

void ProgressBar::Print(const std::string& line) {
  if (active_) std::fputs("\r\x1b[K", out_);
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fputc('\n', out_);
  if (active_) Draw(true);
  std::fflush(out_);
}

void ProgressBar::Draw(bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < kRedrawEvery) return;
  lastDraw_ = now;
  const double done = totalBytes_ > 0 ? static_cast<double>(bytes_) / static_cast<double>(totalBytes_)
                      : totalEntries_ > 0 ? static_cast<double>(entries_) / static_cast<double>(totalEntries_)
                                          : 1.0;
  const double seconds = std::chrono::duration<double>(now - begin_).count();
  const double rate = seconds > 0 ? static_cast<double>(bytes_) / seconds : 0;
  const std::string left = rate > 0 ? Clock(static_cast<double>(totalBytes_ - bytes_) / rate) : "-:--";
  const std::string text = Figures(done, bytes_, totalBytes_, entries_, totalEntries_, rate, left);
  // A line as wide as the terminal would wrap, and "\r" would then redraw only
  // its last row: the bar gives way first, then the figures are cut. The bar's
  // width is set by the widest figures this run can show, so it does not jitter.
  const std::string widest = Figures(1, totalBytes_, totalBytes_, totalEntries_, totalEntries_, 1023.9 * 1048576,
                                     "99:59");
  const size_t columns = TerminalColumns(out_);
  const size_t room = columns > widest.size() + 4 ? columns - widest.size() - 4 : 0;
  const size_t width = std::min<size_t>(kBarWidth, room);
  std::string line;
  if (width >= 8) {
    const size_t filled = std::min(width, static_cast<size_t>(done * static_cast<double>(width)));
    line.append(1, '[').append(filled, '#').append(width - filled, '.').append("] ");
  }
  line += text;
  if (line.size() >= columns) line.resize(columns - 1);
  std::fprintf(out_, "\r%s\x1b[K", line.c_str());
  std::fflush(out_);
}

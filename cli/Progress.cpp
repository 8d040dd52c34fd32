#include "Progress.h"

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

constexpr int kBarWidth = 24;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

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

void ProgressBar::Draw(bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < kRedrawEvery) return;
  lastDraw_ = now;
  const double done = totalBytes_ > 0 ? static_cast<double>(bytes_) / static_cast<double>(totalBytes_)
                      : totalEntries_ > 0 ? static_cast<double>(entries_) / static_cast<double>(totalEntries_)
                                          : 1.0;
  const int filled = static_cast<int>(done * kBarWidth);
  const double seconds = std::chrono::duration<double>(now - begin_).count();
  const double rate = seconds > 0 ? static_cast<double>(bytes_) / seconds : 0;
  const std::string left = rate > 0 ? Clock(static_cast<double>(totalBytes_ - bytes_) / rate) : "-:--";
  std::fprintf(out_, "\r[%s%s] %3d%%  %s / %s  %zu/%zu entries  %s/s  %s left\x1b[K",
               std::string(static_cast<size_t>(filled), '#').c_str(),
               std::string(static_cast<size_t>(kBarWidth - filled), '.').c_str(), static_cast<int>(done * 100),
               Bytes(static_cast<double>(bytes_)).c_str(), Bytes(static_cast<double>(totalBytes_)).c_str(), entries_,
               totalEntries_, Bytes(rate).c_str(), left.c_str());
  std::fflush(out_);
}

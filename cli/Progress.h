// The progress bar of extract: bytes written, entries, rate and time left, drawn
// on standard error only when it is a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

class ProgressBar {
public:
  ProgressBar(bool wanted, int64_t totalBytes, size_t totalEntries, std::FILE* out = stderr);
  ~ProgressBar();  // ends the bar's line, also when a failure cuts the work short
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void EntryDone(int64_t bytes);
  // Writes a line of text to the bar's stream; a drawn bar is cleared first and
  // drawn again below it.
  void Print(const std::string& line);

private:
  void Draw(bool force);

  std::FILE* out_;
  bool active_;
  int64_t totalBytes_;
  size_t totalEntries_;
  int64_t bytes_ = 0;
  size_t entries_ = 0;
  std::chrono::steady_clock::time_point begin_, lastDraw_;
};

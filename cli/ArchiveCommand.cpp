#include "ArchiveCommand.h"

#include <cstdio>

#include "CliSupport.h"
#include "Exceptions.h"
#include "Trace.h"

namespace {

struct OptionWord {
  const char* word;
  ArchiveOption option;
  bool ArchiveOptions::*flag;
};

constexpr OptionWord kOptionWords[] = {
    {"--json", ArchiveOption::Json, &ArchiveOptions::json},
    {"--trace", ArchiveOption::Trace, &ArchiveOptions::trace},
    {"--progress", ArchiveOption::Progress, &ArchiveOptions::progress},
};

bool Accepts(const std::vector<ArchiveOption>& accepted, ArchiveOption option) {
  for (ArchiveOption a : accepted) {
    if (a == option) return true;
  }
  return false;
}

bool ApplyOption(const std::string& arg, const std::vector<ArchiveOption>& accepted, ArchiveOptions& options) {
  if (IsKeepHeaderSwitch(arg)) {
    options.keepheader = true;
    return true;
  }
  for (const OptionWord& w : kOptionWords) {
    if (arg == w.word && Accepts(accepted, w.option)) {
      options.*w.flag = true;
      return true;
    }
  }
  return false;
}

}  // namespace

ArchiveOptions ParseArchiveOptions(const Args& args, const std::vector<ArchiveOption>& accepted, size_t minOperands,
                                   size_t maxOperands) {
  ArchiveOptions options;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      if (!ApplyOption(arg, accepted, options)) throw UsageError("unknown option '" + arg + "'");
    } else {
      options.positional.push_back(arg);
    }
  }
  if (options.positional.size() < minOperands) throw UsageError("missing operand");
  if (options.positional.size() > maxOperands) throw UsageError("too many operands");
  return options;
}

void OpenArchive(std::unique_ptr<TIEFile>& slot, const std::string& path, const ArchiveOptions& options) {
  slot = std::make_unique<TIEFile>();
  slot->me = &slot;
  slot->keepheader = options.keepheader;
  if (options.trace) {
    SetTraceSink([](const std::string& line) {
      std::fwrite(line.data(), 1, line.size(), stderr);
      std::fputc('\n', stderr);
    });
  }
  struct SinkOff {
    ~SinkOff() { SetTraceSink(nullptr); }
  } sinkOff;
  slot->ReadFile(path);
}

std::vector<size_t> SelectEntries(const TIEFile& archive, const std::vector<std::string>& indexes) {
  std::vector<size_t> selected;
  if (indexes.empty()) {
    for (size_t i = 0; i < archive.files.size(); ++i) selected.push_back(i);
    return selected;
  }
  for (const std::string& word : indexes) {
    size_t value = 0;
    bool valid = !word.empty() && word.size() <= 18;
    for (char c : word) {
      valid = valid && c >= '0' && c <= '9';
      if (valid) value = value * 10 + static_cast<size_t>(c - '0');
    }
    if (!valid) throw UsageError("'" + word + "' is not an entry index");
    selected.push_back(value);
  }
  for (size_t index : selected) {
    if (index >= archive.files.size()) {
      throw Exception("Entry index " + std::to_string(index) + " is out of range (the archive has " +
                      std::to_string(archive.files.size()) + " entries)");
    }
  }
  return selected;
}

#include "ArchiveCommand.h"

#include <cstdio>

#include "CliSupport.h"
#include "ConvertOutput.h"
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
    {"--keep-paths", ArchiveOption::KeepPaths, &ArchiveOptions::keepPaths},
    {"--keep-going", ArchiveOption::KeepGoing, &ArchiveOptions::keepGoing},
};

struct ValueOptionWord {
  const char* word;
  ArchiveOption option;
  void (*apply)(ArchiveOptions&, const std::string&);
};

constexpr ValueOptionWord kValueOptionWords[] = {
    {"--type", ArchiveOption::Filter, [](ArchiveOptions& o, const std::string& v) { o.filter.types.push_back(v); }},
    {"--name", ArchiveOption::Filter, [](ArchiveOptions& o, const std::string& v) { o.filter.names.push_back(v); }},
    {"--convert", ArchiveOption::Convert,
     [](ArchiveOptions& o, const std::string& v) { o.convert = ConvertExtension(v); }},
    {"--on-conflict", ArchiveOption::OnConflict,
     [](ArchiveOptions& o, const std::string& v) { o.onConflict = ParseOnConflict(v); }},
};

bool Accepts(const std::vector<ArchiveOption>& accepted, ArchiveOption option) {
  for (ArchiveOption a : accepted) {
    if (a == option) return true;
  }
  return false;
}

bool ApplyFlag(const std::string& arg, const std::vector<ArchiveOption>& accepted, ArchiveOptions& options) {
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

// Applies the option at args[i] when it takes a value, moving i past the value;
// false when args[i] is no such option of this command.
bool ApplyValueOption(const Args& args, size_t& i, const std::vector<ArchiveOption>& accepted,
                      ArchiveOptions& options) {
  const std::string& arg = args[i];
  for (const ValueOptionWord& w : kValueOptionWords) {
    if (!Accepts(accepted, w.option)) continue;
    const std::string word = w.word;
    if (arg == word) {
      if (i + 1 == args.size()) throw UsageError(word + " needs a value");
      w.apply(options, args[++i]);
      return true;
    }
    if (arg.size() > word.size() && arg.compare(0, word.size(), word) == 0 && arg[word.size()] == '=') {
      w.apply(options, arg.substr(word.size() + 1));
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
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      if (!ApplyFlag(arg, accepted, options) && !ApplyValueOption(args, i, accepted, options)) {
        throw UsageError("unknown option '" + arg + "'");
      }
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

namespace {

std::vector<size_t> ListedIndexes(const TIEFile& archive, const std::vector<std::string>& indexes) {
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

}  // namespace

std::vector<size_t> SelectEntries(const TIEFile& archive, const std::vector<std::string>& indexes,
                                  const EntryFilter& filter) {
  std::vector<size_t> selected = ListedIndexes(archive, indexes);
  std::erase_if(selected, [&](size_t i) { return !filter.Keeps(archive.files[i]); });
  return selected;
}

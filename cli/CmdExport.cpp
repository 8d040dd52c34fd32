// `export` (a texture entry of an archive) and `convert` (a DDS file on disk):
// both write through ExportMainImage, the desktop program's export path, and fail
// loudly where the desktop program stays silent.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "CliSupport.h"
#include "Commands.h"
#include "ConvertOutput.h"
#include "Exceptions.h"
#include "FileSystem.h"
#include "Format.h"
#include "Stream.h"
#include "TavrelLib.h"

namespace {

struct ExportArgs {
  bool keepHeader = false;
  int32_t subimage = 0;
  Args operands;
};

// A decimal number from 0 to INT32_MAX, nothing else.
int32_t ParseCount(const std::string& text, const char* what) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) {
    throw UsageError(Format("%s must be a number from 0 up, not '%s'", what, text.c_str()));
  }
  const long long value = std::stoll(text);
  if (value > INT32_MAX) throw UsageError(Format("%s %s is too large", what, text.c_str()));
  return static_cast<int32_t>(value);
}

ExportArgs ParseExportArgs(const Args& args, bool acceptKeepHeader, size_t operandCount, const char* usage) {
  ExportArgs parsed;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      parsed.operands.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (acceptKeepHeader && IsKeepHeaderSwitch(arg)) {
      parsed.keepHeader = true;
    } else if (arg == "--subimage") {
      if (++i == args.size()) throw UsageError("--subimage needs a number");
      parsed.subimage = ParseCount(args[i], "--subimage");
    } else if (arg.rfind("--subimage=", 0) == 0) {
      parsed.subimage = ParseCount(arg.substr(11), "--subimage");
    } else {
      throw UsageError("unknown option '" + arg + "'");
    }
  }
  if (parsed.operands.size() != operandCount) throw UsageError(std::string("usage: quorvin-cli ") + usage);
  return parsed;
}

}  // namespace

int RunExport(const Args& args) {
  const ExportArgs parsed =
      ParseExportArgs(args, true, 3, "export [--keepheader] [--subimage K] ARCHIVE INDEX OUTFILE");
  const std::string& archive = parsed.operands[0];
  const int32_t index = ParseCount(parsed.operands[1], "INDEX");
  const std::string& outFile = parsed.operands[2];

  std::unique_ptr<TIEFile> sds = std::make_unique<TIEFile>();
  sds->me = &sds;
  sds->keepheader = parsed.keepHeader;
  sds->ReadFile(archive);

  const size_t count = sds->files.size();
  if (static_cast<size_t>(index) >= count) {
    throw Exception(Format("entry %d does not exist: the archive has %zu entries, counted from 0", index, count));
  }
  const TIEFile_Entry& entry = sds->files[static_cast<size_t>(index)];
  if (!IsTextureEntry(entry)) {
    throw Exception(Format("entry %d is of type \"%s\", not a texture; nothing was written", index,
                           entry.TypeName.c_str()));
  }
  const std::unique_ptr<TMemoryStream> bytes = entry.AsStream();
  ExportOrThrow(*bytes, outFile, parsed.subimage);
  return 0;
}

int RunConvert(const Args& args) {
  const ExportArgs parsed = ParseExportArgs(args, false, 2, "convert [--subimage K] INPUT OUTFILE");
  const std::string& input = parsed.operands[0];
  // Opening a folder or a FIFO would read nothing or block; refuse them by name.
  std::error_code ignored;
  if (!FileExists(input) && std::filesystem::exists(input, ignored)) {
    throw EFOpenError(input, DirectoryExists(input) ? std::strerror(EISDIR) : "Not a regular file");
  }
  TFileStream source(input);
  ExportOrThrow(source, parsed.operands[1], parsed.subimage);
  return 0;
}

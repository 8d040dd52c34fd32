#include "Help.h"

std::string HelpText() {
  return R"(Usage: quorvin-cli COMMAND [OPTIONS] ...

Looks inside SDS resource archives: lists, extracts and converts their resources.

Commands:
  list    [--json] [--keepheader] [--trace] [--type WORD]... [--name GLOB]... ARCHIVE
  extract [--keepheader] [--trace] [--progress] [--keep-paths] [--type WORD]...
          [--name GLOB]... [--convert EXT] [--on-conflict overwrite|rename|skip]
          [--keep-going] ARCHIVE OUTDIR [INDEX ...]
  export  [--keepheader] [--subimage K] ARCHIVE INDEX OUTFILE
  convert [--subimage K] INPUT OUTFILE
  info    [--json] INPUT
  --help | --version
)";
}

#include "Help.h"

#include "ImageRegistry.h"

namespace {

// list and extract.
std::string ArchiveHelp() {
  return R"(
list, extract:
  list prints one line per entry of ARCHIVE, in entry order:
    INDEX<TAB>NAME<TAB>SIZE<TAB>TYPE
  NAME is the entry's file name (as the desktop program lists and extracts it),
  SIZE its size in kilobytes ("2 kb"), TYPE its resource type word. Script
  bundles are followed by one SubScript entry per script they hold.
  extract writes the entries (all, or the 0-based INDEXes in the order given)
  into the existing folder OUTDIR under those names. With none of the batch
  options below it does what the desktop program's "Extract All" does: no
  subfolders, later entries of the same name replace earlier ones, the first
  failure ends the run. A file is replaced only once its new content is
  completely written.
  --json         (list) print one JSON object instead:
                 {"archive": PATH, "keepheader": BOOL, "entries": [{"index": I,
                  "name": NAME, "type": TYPE, "source": SOURCE, "start": START,
                  "size": SIZE, "size_text": "2 kb"}, ...]}
  --keepheader   type headers stay part of the entries (also -keepheader, in
                 any letter case)
  --trace        print the archive reader's trace lines on standard error
  --type WORD    keep only entries of type WORD (exact, case-sensitive); give it
                 again for more types. Indexes printed stay the archive's own.
  --name GLOB    keep only entries whose NAME matches GLOB: "*" any run of
                 characters, "?" one character, letters in any case; give it
                 again for more patterns. With both, an entry must pass both.

Batch options of extract (an option's value may also follow "=", --type=Mipmap):
  --progress     draw one updating line on standard error (entries done of all,
                 bytes, rate, time left), only when it is a terminal
  --keep-paths   recreate the folders of each entry's source description below
                 OUTDIR ("/textures/wall.dds" gives OUTDIR/textures/wall.dds).
                 "\" and "/" both separate; drive letters, empty, "." and ".."
                 parts are dropped, so nothing lands outside OUTDIR. Entries
                 whose source is "not available" or empty go directly into
                 OUTDIR. A link or file where a folder belongs is a failure.
  --convert EXT  write every Texture and Mipmap entry as a picture of format EXT
                 (see the extensions under export), named with its extension
                 replaced by EXT, through the same export path as 'export';
                 other entries are written as they are. A texture that cannot be
                 converted is a failure of that entry.
  --on-conflict overwrite|rename|skip
                 what to do when the file to write exists: overwrite replaces
                 it (the default), rename writes "name (2).ext", "name (3).ext"
                 ... instead, skip leaves it and counts the entry as skipped.
  --keep-going   go on after an entry fails (reporting it as "error: entry I
                 (NAME): MESSAGE"), end with the line "N written, M skipped, K
                 failed" on standard error, and exit with 1 when any failed.
  Examples:
    quorvin-cli list game.sds
    quorvin-cli list --json --keepheader game.sds
    quorvin-cli list --trace game.sds > /dev/null
    quorvin-cli list --type Texture --type Mipmap --name 'wall*' game.sds
    quorvin-cli extract --progress game.sds out/
    quorvin-cli extract game.sds out/ 3 12
    quorvin-cli extract --keep-paths --name '*.lua' game.sds out/
    quorvin-cli extract --convert png --type Texture --keep-going game.sds out/
    quorvin-cli extract --on-conflict rename --keep-paths game.sds out/
    quorvin-cli extract --on-conflict skip --progress game.sds out/
)";
}

// export and convert. The extensions come from the picture-format registry, so
// the list follows the formats that are actually built in.
std::string ExportHelp() {
  std::string extensions;
  for (const auto& format : ImageFileFormats()) {
    if (!format->FCanSave) continue;
    for (const std::string& extension : format->FExtensions) extensions += " " + extension;
  }
  return R"(
export, convert:
  export writes the main image (or subimage K, counted from 0) of the texture
  entry INDEX of ARCHIVE to OUTFILE, exactly as the desktop program's "Export
  Texture" does; convert does the same for a DDS file on disk. OUTFILE's
  extension (any letter case) chooses the picture format, and the image is
  converted to a pixel layout that format holds. Nothing is written when the
  extension names no writable format or the texture's pixel format is not
  supported; an existing OUTFILE is replaced only once the new one is complete.
  Extensions written:)" + extensions + R"(
  --subimage K   write subimage K instead of the main image (see 'info')
  --keepheader   (export) read the archive with type headers kept in entries
  Examples:
    quorvin-cli export game.sds 12 wall.png
    quorvin-cli convert --subimage 1 wall.dds wall-level1.bmp
)";
}

// info.
std::string InfoHelp() {
  return R"(
info:
  Decodes the DDS file INPUT and prints its subimages (mipmap levels, cube
  faces, volume slices) in file order, one line each:
    INDEX<TAB>WIDTHxHEIGHT<TAB>FORMAT
  Block-compressed subimages show their sizes rounded up to whole 4x4 blocks;
  FORMAT is the internal pixel format (DXT1, A8R8G8B8, ...). A file whose pixel
  format is not supported fails with a message saying so.
  --json   print one JSON object instead:
           {"cube_map": BOOL, "volume": BOOL, "mipmap_count": N, "depth": N,
            "subimages": [{"index": I, "width": W, "height": H,
                           "format": NAME, "size": BYTES}, ...]}
  Examples:
    quorvin-cli info wall.dds
    quorvin-cli info --json sky.dds
)";
}

}  // namespace

std::string HelpText() {
  return std::string(R"(Usage: quorvin-cli COMMAND [OPTIONS] ...

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
)") + ArchiveHelp() + ExportHelp() + InfoHelp();
}

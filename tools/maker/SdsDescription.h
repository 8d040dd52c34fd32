// The text description sdsmake reads: one directive per line.
//
//   # a comment
//   chunk-size 65536 4096      content bytes per chunk, used in turn
//   chunks compressed          compressed | stored | alternate
//   level 6                    zlib level of compressed chunks (0..9)
//   chunk-text "v1"            text of every compressed chunk's header
//   type-row NAME V1 V2        a row of the type table
//   resource TYPE SOURCE DATA  a resource: type word, source description, bytes
//   name NAME                  the last resource's Sound/MemFile name or Script folder
//   sub FILENAME DATA          a sub-script of the last resource (a Script)
//
// Words may be double-quoted ("a b", with \" and \\). DATA is one of
//   file:PATH (relative to the description's folder), text:STRING, hex:00A1FF,
//   zeros:N, random:N or random:N:SEED, empty.
#pragma once

#include <string>

#include "SdsMaker.h"

namespace sdsmaker {

// Throws std::runtime_error naming the line at fault.
Archive ParseDescription(const std::string& text, const std::string& baseFolder);

}  // namespace sdsmaker

#include "ImageRegistry.h"

#include <iterator>

#include "BMPFormat.h"
#include "DDSFormat.h"
#include "GIFFormat.h"
#include "JPEG2000Format.h"
#include "JNGFormat.h"
#include "JPEGFormat.h"
#include "MNGFormat.h"
#include "PNGFormat.h"
#include "PortableMapFormats.h"
#include "PSDFormat.h"
#include "TargaFormat.h"
#include "TIFFFormat.h"
#include "XPMFormat.h"

namespace {

// A format the registry knows by name only: it has no writer, and its content
// test accepts nothing, since the export never reads it.
std::unique_ptr<TImageFileFormat> ReadOnly(const char* name, const char* masks) {
  return std::make_unique<TImageFileFormat>(name, masks, true, false, false, TImageFormats{});
}

TImageFileFormatList MakeRegistry() {
  // One row per format, in registry order.
  std::unique_ptr<TImageFileFormat> rows[] = {
      std::make_unique<TBMPFileFormat>(),
      std::make_unique<TJPEGFileFormat>(),
      std::make_unique<TPNGFileFormat>(),
      std::make_unique<TMNGFileFormat>(),
      std::make_unique<TJNGFileFormat>(),
      std::make_unique<TGIFFileFormat>(),
      std::make_unique<TDDSFileFormat>(),
      std::make_unique<TTargaFileFormat>(),
      ReadOnly("Portable Bit Map", "*.pbm"),
      std::make_unique<TPGMFileFormat>(),
      std::make_unique<TPPMFileFormat>(),
      std::make_unique<TPAMFileFormat>(),
      std::make_unique<TPFMFileFormat>(),
      std::make_unique<TJPEG2000FileFormat>(),
      std::make_unique<TTIFFFileFormat>(),
      std::make_unique<TPSDFileFormat>(),
      ReadOnly("ZSoft Paintbrush Image", "*.pcx"),
      std::make_unique<TXPMFileFormat>(),
  };
  static_assert(std::size(rows) == 18, "one row per registered picture format");
  TImageFileFormatList list;
  for (auto& row : rows) list.push_back(std::move(row));
  return list;
}

}  // namespace

const TImageFileFormatList& ImageFileFormats() {
  static const TImageFileFormatList registry = MakeRegistry();
  return registry;
}

TImageFileFormat* FindImageFileFormatByContent(TStream& stream) {
  for (const auto& format : ImageFileFormats()) {
    const int64_t position = stream.Position();
    const bool accepted = format->TestFormat(stream);
    stream.SetPosition(position);  // so one careless content test cannot mislead the next
    if (accepted) return format.get();
  }
  return nullptr;
}

TImageFileFormat* FindImageFileFormatByName(const std::string& fileName) {
  const TImageFileFormatList& formats = ImageFileFormats();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it) {
    if ((*it)->TestFileName(fileName)) return it->get();
  }
  return nullptr;
}

// Texture bytes: the DDS loader alone; every subimage decoded, converted and
// made a display bitmap; the main image written by every writable format.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "DDSFormat.h"
#include "DisplayBitmap.h"
#include "Exceptions.h"
#include "FuzzTargets.h"
#include "ImageRegistry.h"
#include "SingleImage.h"

namespace fuzzing {

namespace {

// The input as a stream at position 0, as the preview hands an entry's bytes over.
struct InputStream : TMemoryStream {
  InputStream(const uint8_t* data, size_t size) {
    WriteBuffer(data, static_cast<int64_t>(size));
    SetPosition(0);
  }
};

// The loader's promises: a true result brings only valid subimages; a false one
// or a failure leaves an empty list, and a failure puts the stream back.
bool LoadChecked(TStream& stream, TDynImageDataArray& images) {
  TDDSFileFormat format;
  bool loaded = false;
  try {
    loaded = format.LoadFromStream(stream, images, false);
  } catch (const Exception&) {
    FUZZ_CHECK(images.empty());
    FUZZ_CHECK(stream.Position() == 0);
    return false;
  }
  FUZZ_CHECK(loaded ? !images.empty() : images.empty());
  for (const TImageData& image : images) FUZZ_CHECK(TestImage(image));
  return loaded;
}

void CheckBitmap(const TImageData& image, const TDisplayBitmap& bitmap) {
  FUZZ_CHECK(bitmap.Width == image.Width && bitmap.Height == image.Height);
  FUZZ_CHECK(bitmap.Stride % 4 == 0 && int64_t{bitmap.Stride} * 8 >= int64_t{bitmap.Width} * bitmap.Depth);
  FUZZ_CHECK(bitmap.Pixels.size() == static_cast<size_t>(bitmap.Stride) * static_cast<size_t>(bitmap.Height));
  FUZZ_CHECK(bitmap.Depth != 8 || !bitmap.Palette.empty());
}

// A folder for the saves through files, removed when the process ends.
class ScratchDir {
public:
  ScratchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvin-fuzz-XXXXXX";
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }

private:
  std::filesystem::path path_;
};

// Writes the image to memory and returns whether that worked.
bool SaveToMemory(TImageFileFormat& format, const TImageData& image, TMemoryStream& out) {
  try {
    format.SaveImageToStream(out, image);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

// Writes the image to memory and through a file; both paths (the file one may
// convert band by band) must agree on success and on the bytes.
void SaveBothWays(TImageFileFormat& format, const TImageData& image, const std::filesystem::path& file) {
  TMemoryStream inMemory;
  const bool memoryOk = SaveToMemory(format, image, inMemory);
  bool fileOk = true;
  try {
    FUZZ_CHECK(format.SaveImageToFile(file.string(), image));
  } catch (const Exception&) {
    fileOk = false;
  }
  FUZZ_CHECK(memoryOk == fileOk);
  if (!fileOk) return;
  TFileStream written(file.string());
  FUZZ_CHECK(written.Size() == inMemory.Size());
  TMemoryStream copy;
  copy.CopyFrom(written, written.Size());
  FUZZ_CHECK(std::equal(copy.Memory(), copy.Memory() + copy.Size(), inMemory.Memory()));
}

size_t Fnv1a(const uint8_t* data, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

}  // namespace

void FuzzDdsLoad(const uint8_t* data, size_t size) {
  InputStream stream(data, size);
  TDynImageDataArray images;
  LoadChecked(stream, images);
}

void FuzzDdsConvert(const uint8_t* data, size_t size) {
  InputStream stream(data, size);
  TDynImageDataArray images;
  if (!LoadChecked(stream, images)) return;
  for (const TImageData& image : images) {
    TDisplayBitmap bitmap;
    try {
      SubimageToBitmap(image, bitmap);
      CheckBitmap(image, bitmap);
    } catch (const Exception&) {
    }
    TImageData converted = image;
    try {
      ConvertImageFormat(converted, TImageFormat::A8R8G8B8);
      FUZZ_CHECK(TestImage(converted) && converted.Format == TImageFormat::A8R8G8B8);
      FUZZ_CHECK(converted.Width == image.Width && converted.Height == image.Height);
    } catch (const Exception&) {
    }
  }
}

void FuzzExport(const uint8_t* data, size_t size) {
  static ScratchDir scratch;
  InputStream stream(data, size);
  TSingleImage picture;
  try {
    picture.LoadFromStream(stream);
  } catch (const Exception&) {
    FUZZ_CHECK(!picture.Valid());
  }
  if (!picture.Valid()) return;
  // Every writer writes to memory; one of them, picked by the input, also
  // through a file and is compared (files cost more than all the rest).
  size_t pick = Fnv1a(data, size);
  for (const std::unique_ptr<TImageFileFormat>& format : ImageFileFormats()) {
    if (!format->FCanSave || format->FExtensions.empty()) continue;
    if (pick-- % 16 == 0) {
      SaveBothWays(*format, picture.FImageData, scratch.Path() / ("main." + format->FExtensions.front()));
    } else {
      TMemoryStream out;
      SaveToMemory(*format, picture.FImageData, out);
    }
  }
}

}  // namespace fuzzing

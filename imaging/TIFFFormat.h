// Tagged Image File Format writer (libtiff): one image, strips, any of our
// integer, grey, paletted and float layouts.
#pragma once

#include "ImageFileFormat.h"

class TTIFFFileFormat : public TImageFileFormat {
public:
  TTIFFFileFormat();

  // 0 none, 1 LZW, 2 PackBits, 3 Deflate, 4 JPEG; anything else acts as 1.
  // JPEG applies only to Gray8 and R8G8B8 images; the others get LZW instead.
  int FCompression = 1;
  int FJpegQuality = 90;  // 1-100, anything else acts as 90

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};

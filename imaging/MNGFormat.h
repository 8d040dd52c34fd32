// Multiple-image Network Graphics writer: one image as a minimal MNG (header,
// the image's PNG chunks, end). Also the MNG content test.
#pragma once

#include "ImageFileFormat.h"

class TMNGFileFormat : public TImageFileFormat {
public:
  TMNGFileFormat();

  int FPreFilter = 5;      // as PNG
  int FCompressLevel = 5;  // as PNG
  // Settings for images stored as JPEG inside an MNG. This writer embeds PNG
  // images only, so they shape nothing yet.
  bool FLossyAlpha = false;
  int FQuality = 90;
  bool FProgressive = false;

  bool TestFormat(TStream& stream) override;

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};

// DirectDraw Surface: the header test and the loader that turns one DDS file
// into its subimage list (mipmap levels, cube faces, volume slices in file order).
#pragma once

#include <cstdint>

#include "ImageFileFormat.h"

class TDDSFileFormat : public TImageFileFormat {
public:
  TDDSFileFormat();

  // Describe the last load.
  bool FLoadedCubeMap = false;
  bool FLoadedVolume = false;
  int32_t FLoadedMipMapCount = 0;
  int32_t FLoadedDepth = 0;
  // Saving defaults: one plain level.
  bool FSaveCubeMap = false;
  bool FSaveVolume = false;
  int32_t FSaveMipMapCount = 1;
  int32_t FSaveDepth = 1;

  bool TestFormat(TStream& stream) override;
  bool LoadFromStream(TStream& stream, TDynImageDataArray& images, bool OnlyFirstLevel) override;

protected:
  // The writer (DDSWriter.cpp): one plain level with the pixel data as it is.
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};

// JPEG writer (libjpeg-turbo). The encoder is a free function too, because the
// JNG writer embeds its colour (and lossy alpha) data as JPEG streams.
#pragma once

#include "ImageFileFormat.h"

// Writes a Gray8 (one component) or R8G8B8 (three components, YCbCr) image as
// a complete JPEG stream (SOI ... EOI) at out's position. quality is the IJG
// scale 1-100 (anything else acts as 90); progressive false gives baseline
// sequential coding. Codec failures raise EImagingError "libjpeg error:
// <libjpeg's message>"; stream failures propagate as they are (EWriteError).
void EncodeJPEG(TStream& out, const TImageData& image, int quality, bool progressive = false);

class TJPEGFileFormat : public TImageFileFormat {
public:
  TJPEGFileFormat();

  int FQuality = 90;
  bool FProgressive = false;

  bool TestFormat(TStream& stream) override;

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};

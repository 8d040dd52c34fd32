// JPEG Network Graphics writer: colour (or grey) as a JPEG stream, alpha
// losslessly as deflated PNG-style rows or, if asked, as a second JPEG. Also
// the JNG content test.
#pragma once

#include "ImageFileFormat.h"

class TJNGFileFormat : public TImageFileFormat {
public:
  TJNGFileFormat();

  int FCompressLevel = 5;  // zlib level of lossless alpha, 0-9 (else 5)
  // The colour data of a JNG is always a JPEG stream: the setting exists for
  // symmetry with the other network graphics formats and changes nothing.
  bool FLossyCompression = true;
  bool FLossyAlpha = false;  // alpha as JPEG too
  int FQuality = 90;         // IJG scale 1-100 (else 90)
  bool FProgressive = false;

  bool TestFormat(TStream& stream) override;

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};

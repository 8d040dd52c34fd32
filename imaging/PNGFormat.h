// Portable Network Graphics writer (libpng). The encoder is a free function too,
// because the MNG writer embeds complete PNG streams.
#pragma once

#include "ImageFileFormat.h"

// The formats a PNG holds without conversion (also the MNG writer's set).
inline constexpr TImageFormats kPNGSupportedFormats{
    TImageFormat::Index8,       TImageFormat::Gray8,        TImageFormat::A8Gray8,   TImageFormat::Gray16,
    TImageFormat::A16Gray16,    TImageFormat::R8G8B8,       TImageFormat::A8R8G8B8,  TImageFormat::R16G16B16,
    TImageFormat::A16R16G16B16, TImageFormat::B16G16R16,    TImageFormat::A16B16G16R16};

// The PNG conversion rule (shared with MNG): the format an image of this source
// format is converted to before it is encoded.
TImageFormat PNGCompatibleFormat(const TImageFormatInfo& source);

// Writes image (its format must be in kPNGSupportedFormats) as one complete PNG
// file at out's position: signature, IHDR, PLTE/tRNS for Index8, IDAT, IEND.
// preFilter 0-4 fixes that row filter, 5 is Paeth for RGB/RGBA and None
// otherwise, 6 is adaptive (per row) for non-paletted images; anything else acts
// as 5. compressLevel is the zlib level 0-9; anything else acts as 5.
// Codec failures raise EImagingError "libpng error: <libpng's message>"; stream
// failures propagate as they are (EWriteError).
void EncodePNG(TStream& out, const TImageData& image, int preFilter, int compressLevel);

class TPNGFileFormat : public TImageFileFormat {
public:
  TPNGFileFormat();

  int FPreFilter = 5;
  int FCompressLevel = 5;

  bool TestFormat(TStream& stream) override;

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};

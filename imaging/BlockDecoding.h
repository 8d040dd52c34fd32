// Block-compressed formats (DXT1, DXT3, DXT5, ATI1N, ATI2N): one pure function
// per block, one walker for whole images, and simple encoders for the way back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ImageData.h"

// Each decoder writes a 4x4 tile of its nearest plain format (A8R8G8B8, or Gray8
// for ATI1N) at out, rows pitch bytes apart.
void DecodeDXT1Block(const uint8_t* block, uint8_t* out, ptrdiff_t pitch);
void DecodeDXT3Block(const uint8_t* block, uint8_t* out, ptrdiff_t pitch);
void DecodeDXT5Block(const uint8_t* block, uint8_t* out, ptrdiff_t pitch);
void DecodeATI1NBlock(const uint8_t* block, uint8_t* out, ptrdiff_t pitch);
void DecodeATI2NBlock(const uint8_t* block, uint8_t* out, ptrdiff_t pitch);

// Each encoder reads a 4x4 tile of the nearest plain format at in (rows pitch
// bytes apart) and writes one block. Endpoints span the tile's range; every texel
// takes the nearest palette entry. Good enough for previews and test data.
void EncodeDXT1Block(const uint8_t* in, ptrdiff_t pitch, uint8_t* block);
void EncodeDXT3Block(const uint8_t* in, ptrdiff_t pitch, uint8_t* block);
void EncodeDXT5Block(const uint8_t* in, ptrdiff_t pitch, uint8_t* block);
void EncodeATI1NBlock(const uint8_t* in, ptrdiff_t pitch, uint8_t* block);
void EncodeATI2NBlock(const uint8_t* in, ptrdiff_t pitch, uint8_t* block);

// Decodes a valid block-compressed image into dest, an image of the source's
// nearest format with the same (block-rounded) dimensions. A dest that already
// has that shape keeps its buffer (no new allocation).
void DecodeBlockImage(const TImageData& source, TImageData& dest);
// Encodes a valid image of blockFormat's nearest format into dest (dimensions
// rounded up to whole blocks; the edge texels are repeated into the padding).
void EncodeBlockImage(const TImageData& source, TImageFormat blockFormat, TImageData& dest);

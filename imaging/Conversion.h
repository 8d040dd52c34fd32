// Pieces of the pixel conversion that the loader and the colour reduction share.
#pragma once

#include "ImageData.h"

// Exchanges the first and third channel of every pixel in place (red and blue of
// the byte-aligned colour formats), keeping the format field as it is.
void SwapRedBlueChannels(TImageData& image);

// Reads every pixel of a plain image as 8-bit B, G, R, A (Index8 through its palette).
std::vector<TColor32Rec> ReadPixels32(const TImageData& image);

// Colour reduction by median cut: dest becomes an Index8 image of source's size
// with at most 256 palette entries (alpha kept; all fully transparent pixels share
// one entry of alpha 0). Images of 256 or fewer colours keep them exactly.
void ReduceToIndex8(const TImageData& source, TImageData& dest);

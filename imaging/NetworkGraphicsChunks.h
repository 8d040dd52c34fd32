// Chunks of the PNG family's containers: the MNG and JNG writers wrap the
// streams of the PNG and JPEG encoders in chunks of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Stream.h"

// One chunk inside a complete PNG stream held in memory.
struct TChunkView {
  char Type[5] = {};  // four letters and a terminating zero
  const uint8_t* Data = nullptr;
  uint32_t Length = 0;
  const uint8_t* Whole = nullptr;  // length field through CRC, as stored
  size_t WholeLength = 0;
};

// Splits a complete PNG stream (signature first) into its chunks. Throws
// EImagingError when the bytes are not a well-formed chunk sequence.
std::vector<TChunkView> SplitPNGChunks(const uint8_t* png, size_t size);

// Writes one chunk: length, type, data and the CRC over type and data.
void WriteChunk(TStream& out, const char* type, const uint8_t* data, size_t length);

// Writes data as a run of chunks of one type, none longer than a chunk may be.
void WriteChunkRun(TStream& out, const char* type, const uint8_t* data, size_t length);

// Little-endian number and string readers on the archive's file and memory streams.
#pragma once

#include "Stream.h"

class TJustFileStream : public TFileStream {
public:
  using TFileStream::TFileStream;
};

class TJustMemoryStream : public TMemoryStream {};

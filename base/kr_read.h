// Little-endian field reads for the engine's binary loaders. A reader's `ok` flag drops to 0
// at the first read that runs off the end of the file (or at a string with no terminator
// within the engine's 256-byte name fields) and stays 0; loaders check it once per record.
#pragma once

#include <cstdint>

#include "base/kr_file.h"
#include "base/kr_math.h"

struct KR_Reader {
  KR_File* file;
  int ok;
  int longString;  // the failure was a string with no terminator within 256 bytes
};

std::uint16_t KR_ReadU16(KR_Reader* r);
std::int16_t KR_ReadI16(KR_Reader* r);
std::int32_t KR_ReadI32(KR_Reader* r);
std::uint32_t KR_ReadU32(KR_Reader* r);
float KR_ReadF32(KR_Reader* r);
KR_Vector KR_ReadVec3(KR_Reader* r);
// Reads a zero-terminated string into a KR_STRING_SIZE buffer (always terminated).
int KR_ReadString(KR_Reader* r, char* buffer);
// Skips n bytes forward; a negative n or one past the end fails.
int KR_ReadSkip(KR_Reader* r, std::int64_t n);
// Bytes left between the read position and the end of the file.
std::int64_t KR_ReadRemaining(KR_Reader* r);

// Reads the u32 extension length of a file header and the extension after it, which no
// loader uses; fails when the extension runs past the end of the file.
int KR_ReadExtension(KR_Reader* r);

// Files as the engine's loaders read them: a plain stdio stream, or a packed file unpacked
// whole into memory at open. Callers never see the difference.
#pragma once

#include <cstdint>
#include <cstdio>

struct KR_File {
  std::FILE* stream;  // mode 0; in mode 1 already closed
  std::int32_t mode;  // 0 plain stream, 1 unpacked in memory
  std::int32_t size;  // file length or unpacked length
  std::uint8_t* data; // unpacked contents (mode 1)
  std::int32_t pos;   // read position in data (mode 1)
};

// Packed layout: the banner and a zero byte (31 bytes), the unpacked size (u32 LE), then one
// zlib stream.
constexpr char KR_PACK_BANNER[] = "File compressed by TivPack 1.0";
constexpr int KR_PACK_HEADER = 35;

// Longest string KR_FreadString stores, terminator included: the loaders' name fields.
constexpr int KR_STRING_SIZE = 256;

KR_File* KR_Fopen(const char* name, const char* mode);
int KR_Fclose(KR_File* f);
std::int32_t KR_Fread(void* buffer, std::int32_t itemSize, std::int32_t count, KR_File* f);
int KR_Fseek(KR_File* f, std::int32_t offset, int origin);
std::int32_t KR_Ftell(KR_File* f);
int KR_Feof(KR_File* f);
// Unpacked files give bytes as signed values, so 0xFF reads like the end (-1).
int KR_Fgetc(KR_File* f);
// Reads a zero-terminated string into a KR_STRING_SIZE buffer; 0 at the end of the file or
// when no terminator comes within the buffer (it is then terminated at its last byte).
int KR_FreadString(char* buffer, KR_File* f);

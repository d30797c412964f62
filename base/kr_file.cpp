// Plain and packed files behind one reader.
#include "base/kr_file.h"

#include <zlib.h>

#include <cstring>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "platform/pl_platform.h"

namespace {

// Deflate cannot expand data by more than about 1032:1; a stated size beyond that (plus a
// little slack for tiny streams) is a damaged or hostile header, not a real file.
constexpr std::int64_t kMaxDeflateRatio = 1032;

KR_File* open_packed(KR_File* f, std::int64_t fileLength) {
  unsigned char sizeBytes[4];
  if (std::fread(sizeBytes, 1, 4, f->stream) != 4) return nullptr;
  std::uint32_t unpacked = std::uint32_t(sizeBytes[0]) | std::uint32_t(sizeBytes[1]) << 8 |
                           std::uint32_t(sizeBytes[2]) << 16 | std::uint32_t(sizeBytes[3]) << 24;
  std::int64_t compressed = fileLength - KR_PACK_HEADER;
  if (unpacked > 0x7FFFFFFFu || compressed <= 0 ||
      std::int64_t(unpacked) > compressed * kMaxDeflateRatio + 64) {
    KR_Error("KR_Fopen - unpacked size out of range (%u)", unpacked);
    return nullptr;
  }
  std::fseek(f->stream, KR_PACK_HEADER, SEEK_SET);
  auto* packed = static_cast<std::uint8_t*>(KR_Malloc(std::int32_t(compressed), "KR_Fopen() - compr"));
  if (!packed) return nullptr;
  std::memset(packed, 0, std::size_t(compressed));
  std::size_t got = std::fread(packed, 1, std::size_t(compressed), f->stream);
  std::fclose(f->stream);
  f->stream = nullptr;

  auto* data = static_cast<std::uint8_t*>(KR_Malloc(std::int32_t(unpacked), "KR_Fopen() - compr"));
  if (!data) {
    KR_Free(packed);
    return nullptr;
  }
  std::memset(data, 0, unpacked);
  uLongf length = unpacked;
  int z = uncompress(data, &length, packed, uLong(got));
  KR_Free(packed);
  if (z != Z_OK) {
    KR_Error("KR_Fopen - zlib failed\n");
    KR_Free(data);
    return nullptr;
  }
  if (length != unpacked) {
    KR_Free(data);
    return nullptr;
  }
  f->data = data;
  f->size = std::int32_t(length);
  f->pos = 0;
  f->mode = 1;
  return f;
}

}  // namespace

KR_File* KR_Fopen(const char* name, const char* mode) {
  std::FILE* stream = PL_Fopen(name, mode);
  if (!stream) return nullptr;
  auto* f = static_cast<KR_File*>(KR_Malloc(sizeof(KR_File), "KR_Fopen - fp"));
  if (!f) {
    std::fclose(stream);
    return nullptr;
  }
  std::memset(f, 0, sizeof *f);
  f->stream = stream;
  f->mode = 0;
  std::fseek(stream, 0, SEEK_END);
  long length = std::ftell(stream);
  std::fseek(stream, 0, SEEK_SET);
  f->size = length > 0x7FFFFFFF ? 0x7FFFFFFF : std::int32_t(length < 0 ? 0 : length);
  if (std::strcmp(mode, "rb") != 0) return f;

  char banner[31];
  // Compared as a string: bytes 0-29 must be the banner and byte 30 must end it.
  if (std::fread(banner, 1, 31, stream) != 31 || std::strncmp(banner, KR_PACK_BANNER, 31) != 0) {
    std::fseek(stream, 0, SEEK_SET);
    return f;
  }
  if (open_packed(f, length)) return f;
  if (f->stream) std::fclose(f->stream);
  KR_Free(f);
  return nullptr;
}

int KR_Fclose(KR_File* f) {
  if (!f) return 0;
  if (f->mode == 0 && f->stream) std::fclose(f->stream);
  if (f->mode == 1 && f->data) KR_Free(f->data);
  KR_Free(f);
  return 1;
}

std::int32_t KR_Fread(void* buffer, std::int32_t itemSize, std::int32_t count, KR_File* f) {
  if (!f || !buffer || itemSize <= 0 || count <= 0) return 0;
  if (f->mode == 0) return std::int32_t(std::fread(buffer, std::size_t(itemSize), std::size_t(count), f->stream));
  if (f->mode != 1) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int32_t n = 0;
  // A seek may have left pos anywhere, before the start included.
  while (n < count && f->pos >= 0 && std::int64_t(f->pos) + itemSize <= f->size) {
    std::memcpy(out + std::int64_t(n) * itemSize, f->data + f->pos, std::size_t(itemSize));
    f->pos += itemSize;
    n++;
  }
  return n;
}

int KR_Fseek(KR_File* f, std::int32_t offset, int origin) {
  if (!f) return -1;
  if (f->mode == 0) return std::fseek(f->stream, offset, origin);
  if (f->mode != 1) return 1;
  std::int64_t base = origin == 0 ? 0 : origin == 1 ? f->pos : origin == 2 ? f->size : f->pos;
  std::int64_t pos = origin >= 0 && origin <= 2 ? base + offset : f->pos;
  // Not clamped to the data (reads check), only kept inside 32 bits.
  if (pos > 0x7FFFFFFF) pos = 0x7FFFFFFF;
  if (pos < -0x7FFFFFFF) pos = -0x7FFFFFFF;
  f->pos = std::int32_t(pos);
  return 1;
}

std::int32_t KR_Ftell(KR_File* f) {
  if (!f) return 0;
  if (f->mode == 0) return std::int32_t(std::ftell(f->stream));
  return f->mode == 1 ? f->pos : 0;
}

int KR_Feof(KR_File* f) {
  if (!f) return 0;
  if (f->mode == 0) return std::feof(f->stream) ? 1 : 0;
  return f->mode == 1 ? (f->pos >= f->size ? 1 : 0) : 0;
}

int KR_Fgetc(KR_File* f) {
  if (!f) return -1;
  if (f->mode == 0) return std::fgetc(f->stream);
  if (f->mode != 1) return 0;
  if (f->pos >= f->size || f->pos < 0) return -1;
  return int(static_cast<std::int8_t>(f->data[f->pos++]));
}

int KR_FreadString(char* buffer, KR_File* f) {
  for (int i = 0; i < KR_STRING_SIZE; i++) {
    int c = KR_Fgetc(f);
    if (c == -1) {
      buffer[i] = 0;  // terminated anyway, so a caller that ignores the result reads no further
      return 0;
    }
    buffer[i] = char(c);
    if (c == 0) return 1;
  }
  buffer[KR_STRING_SIZE - 1] = 0;
  return 0;
}

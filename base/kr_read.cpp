// Little-endian field reads for the binary loaders.
#include "base/kr_read.h"

#include <cstring>

#include "base/kr_memory.h"

namespace {

bool read_bytes(KR_Reader* r, std::uint8_t* out, int n) {
  if (!r->ok) return false;
  if (KR_Fread(out, n, 1, r->file) != 1) {
    r->ok = 0;
    return false;
  }
  return true;
}

}  // namespace

std::uint16_t KR_ReadU16(KR_Reader* r) {
  std::uint8_t b[2];
  if (!read_bytes(r, b, 2)) return 0;
  return std::uint16_t(b[0] | b[1] << 8);
}

std::int16_t KR_ReadI16(KR_Reader* r) { return std::int16_t(KR_ReadU16(r)); }

std::uint32_t KR_ReadU32(KR_Reader* r) {
  std::uint8_t b[4];
  if (!read_bytes(r, b, 4)) return 0;
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

std::int32_t KR_ReadI32(KR_Reader* r) { return std::int32_t(KR_ReadU32(r)); }

float KR_ReadF32(KR_Reader* r) {
  std::uint32_t bits = KR_ReadU32(r);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

KR_Vector KR_ReadVec3(KR_Reader* r) {
  KR_Vector v;
  v.x = KR_ReadF32(r);
  v.y = KR_ReadF32(r);
  v.z = KR_ReadF32(r);
  return v;
}

int KR_ReadString(KR_Reader* r, char* buffer) {
  buffer[0] = 0;
  if (!r->ok) return 0;
  if (!KR_FreadString(buffer, r->file)) {
    r->ok = 0;
    r->longString = std::strlen(buffer) == KR_STRING_SIZE - 1 && !KR_Feof(r->file);
    return 0;
  }
  return 1;
}

std::int64_t KR_ReadRemaining(KR_Reader* r) {
  std::int64_t left = std::int64_t(r->file->size) - KR_Ftell(r->file);
  return left > 0 ? left : 0;
}

int KR_ReadSkip(KR_Reader* r, std::int64_t n) {
  if (!r->ok) return 0;
  if (n < 0 || n > KR_ReadRemaining(r)) {
    r->ok = 0;
    return 0;
  }
  if (n > 0) KR_Fseek(r->file, std::int32_t(n), 1);
  return 1;
}

int KR_ReadExtension(KR_Reader* r) {
  std::uint32_t length = KR_ReadU32(r);
  if (!r->ok) return 0;
  if (std::int64_t(length) > KR_ReadRemaining(r)) {
    r->ok = 0;
    return 0;
  }
  if (length == 0) return 1;
  void* extension = KR_Malloc(std::int32_t(length), "KR_Imp_LoadKrm - h.extension");
  if (!extension) return KR_ReadSkip(r, length);
  if (KR_Fread(extension, std::int32_t(length), 1, r->file) != 1) r->ok = 0;
  KR_Free(extension);
  return r->ok;
}

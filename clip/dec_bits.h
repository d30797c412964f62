// The decoder's bit reader: most-significant-bit first, reads whole 64-bit words while they
// lie inside the payload and assembles the tail byte by byte, so it never touches a byte past
// the end. Past the end it reads zeros and remembers that it ran over.
#pragma once

#include <cstdint>
#include <cstring>

#include "clip/dec_vlc.h"

struct DEC_Bits {
  const uint8_t* data;
  int64_t size;  // bytes
  int64_t pos;   // bits consumed
};

inline void DEC_BitsInit(DEC_Bits* b, const uint8_t* data, int64_t size) {
  b->data = data;
  b->size = size < 0 ? 0 : size;
  b->pos = 0;
}

// The 64 bits from bit `pos` on (zeros past the end), most significant first.
inline uint64_t DEC_BitsWindow(const DEC_Bits* b) {
  const int64_t byte = b->pos >> 3;
  uint64_t w;
  if (byte + 8 <= b->size) {
    std::memcpy(&w, b->data + byte, 8);
    w = __builtin_bswap64(w);
  } else {
    w = 0;
    for (int i = 0; i < 8; ++i) {
      const int64_t k = byte + i;
      w = (w << 8) | (k < b->size ? b->data[k] : 0u);
    }
  }
  return w << (b->pos & 7);
}

// The next n bits without consuming them, n 1..32.
inline uint32_t DEC_BitsPeek(const DEC_Bits* b, int n) {
  return static_cast<uint32_t>(DEC_BitsWindow(b) >> (64 - n));
}
inline void DEC_BitsSkip(DEC_Bits* b, int n) { b->pos += n; }
inline uint32_t DEC_BitsRead(DEC_Bits* b, int n) {
  const uint32_t v = DEC_BitsPeek(b, n);
  b->pos += n;
  return v;
}
inline int DEC_BitsRead1(DEC_Bits* b) { return static_cast<int>(DEC_BitsRead(b, 1)); }
inline void DEC_BitsAlign(DEC_Bits* b) { b->pos = (b->pos + 7) & ~int64_t{7}; }
inline int64_t DEC_BitsLeft(const DEC_Bits* b) { return b->size * 8 - b->pos; }
inline bool DEC_BitsOver(const DEC_Bits* b) { return b->pos > b->size * 8; }

// The entry of `vlc` for the code at the top of `bits` (length 0 when no code matches).
inline uint32_t DEC_VlcLookup(const DEC_Vlc& vlc, uint32_t bits) {
  uint32_t e = vlc.entries[bits >> (32 - vlc.rootBits)];
  if (e & kVlcSubFlag)
    e = vlc.entries[(e & 0xffff) + ((bits << vlc.rootBits) >> (32 - vlc.subBits))];
  return e;
}

// Decodes one code of `vlc`: returns its entry (length 0 when no code matches; nothing is
// consumed then).
inline uint32_t DEC_BitsVlc(DEC_Bits* b, const DEC_Vlc& vlc) {
  const uint32_t e = DEC_VlcLookup(vlc, DEC_BitsPeek(b, 32));
  b->pos += DEC_VlcLength(e);
  return e;
}

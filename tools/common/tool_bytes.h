// Building binary files field by field, little-endian: the writers of the engine's formats
// use it, and tests use it to hand-build damaged files.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct TOOL_Bytes {
  std::vector<std::uint8_t> data;

  TOOL_Bytes& u8(std::uint8_t v) {
    data.push_back(v);
    return *this;
  }
  TOOL_Bytes& u16(std::uint16_t v) { return u8(std::uint8_t(v)).u8(std::uint8_t(v >> 8)); }
  TOOL_Bytes& i16(std::int16_t v) { return u16(std::uint16_t(v)); }
  TOOL_Bytes& u32(std::uint32_t v) { return u16(std::uint16_t(v)).u16(std::uint16_t(v >> 16)); }
  TOOL_Bytes& i32(std::int32_t v) { return u32(std::uint32_t(v)); }
  TOOL_Bytes& f32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return u32(bits);
  }
  TOOL_Bytes& vec3(float x, float y, float z) { return f32(x).f32(y).f32(z); }
  // The characters and a terminating zero.
  TOOL_Bytes& str(const std::string& s) {
    data.insert(data.end(), s.begin(), s.end());
    return u8(0);
  }
  TOOL_Bytes& raw(const std::vector<std::uint8_t>& bytes) {
    data.insert(data.end(), bytes.begin(), bytes.end());
    return *this;
  }
};

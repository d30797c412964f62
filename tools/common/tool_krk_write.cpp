// KRK writer.
#include "tools/common/tool_krk_write.h"

#include <cmath>

#include "tools/common/tool_bytes.h"
#include "tools/common/tool_pack.h"

namespace {

std::int16_t fixed_8_8(float x) {
  float scaled = std::round(x * 256.0f);
  if (!(scaled > -32768.0f)) return -32768;
  if (scaled > 32767.0f) return 32767;
  return std::int16_t(scaled);
}

}  // namespace

std::vector<std::uint8_t> TOOL_KrkWrite(const TOOL_KrkScene& s) {
  TOOL_Bytes b;
  b.u16(0xDEAD).u16(s.version).i32(0).u32(std::uint32_t(s.extension.size())).raw(s.extension);
  b.u16(0x1000).i32(0).i32(std::int32_t(s.nodes.size())).i32(0);
  for (const TOOL_KrkNode& n : s.nodes) {
    b.str(n.name).i32((n.hasRotation ? 1 : 0) | (n.hasPosition ? 2 : 0));
    if (n.hasRotation) {
      b.i32(std::int32_t(n.rotation.size())).i32(0);
      for (const TOOL_KrkRotationKey& k : n.rotation) {
        b.i32(k.frame).i32(k.packed ? 1 : 0);
        for (float e : k.rows) k.packed ? b.i16(fixed_8_8(e)) : b.f32(e);
      }
    }
    if (n.hasPosition) {
      b.i32(std::int32_t(n.position.size())).i32(0);
      for (const TOOL_KrkPositionKey& k : n.position) b.i32(k.frame).i32(0).vec3(k.position[0], k.position[1], k.position[2]);
    }
  }
  return b.data;
}

bool TOOL_KrkWriteFile(const std::string& path, const TOOL_KrkScene& scene) {
  return TOOL_WriteFile(path, TOOL_KrkWrite(scene));
}

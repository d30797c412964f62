// KRM writer.
#include "tools/common/tool_krm_write.h"

#include "tools/common/tool_bytes.h"
#include "tools/common/tool_pack.h"

namespace {

void chunk_header(TOOL_Bytes& b, std::uint16_t id, std::size_t count) {
  b.u16(id).i32(0).i32(std::int32_t(count)).i32(0);
}

void vec(TOOL_Bytes& b, const std::array<float, 3>& v) { b.vec3(v[0], v[1], v[2]); }

void write_mesh(TOOL_Bytes& b, const TOOL_KrmMesh& m) {
  b.str(m.name).i32(m.flags).i32(std::int32_t(m.vertices.size())).i32(std::int32_t(m.polys.size()));
  for (float r : m.rotation) b.f32(r);
  vec(b, m.translation);
  for (const auto& v : m.vertices) {
    vec(b, v);
    b.i32(0);
  }
  for (const TOOL_KrmPoly& p : m.polys) {
    b.i32(std::int32_t(p.corners.size())).i32(0).i32(p.material);
    for (const TOOL_KrmCorner& c : p.corners) b.i32(c.vertex).i32(0).f32(c.u).f32(c.v);
  }
  if (m.flags & 0x01) {
    b.i32(std::int32_t(m.bones.size()));
    for (const std::string& name : m.bones) b.str(name);
    for (std::size_t i = 0; i < m.vertices.size(); i++) {
      static const std::vector<TOOL_KrmWeight> none;
      const auto& weights = i < m.weights.size() ? m.weights[i] : none;
      b.i32(std::int32_t(weights.size()));
      for (const TOOL_KrmWeight& w : weights) {
        b.i32(w.bone).f32(w.weight);
        vec(b, w.offset);
      }
    }
  }
  if (m.flags & 0x02)
    for (const TOOL_KrmPoly& p : m.polys) b.i32(p.smoothing);
}

}  // namespace

std::vector<std::uint8_t> TOOL_KrmWrite(const TOOL_KrmScene& s) {
  TOOL_Bytes b;
  b.u16(0xBABE).u16(s.version).i32(0).u32(std::uint32_t(s.extension.size())).raw(s.extension);
  if (!s.materials.empty()) {
    chunk_header(b, 0x1000, s.materials.size());
    for (const TOOL_KrmMaterial& m : s.materials) {
      b.str(m.texture).i32(m.flags);
      vec(b, m.colourA);
      vec(b, m.colourB);
      b.i32(m.blend).f32(m.opacity);
    }
  }
  if (!s.lights.empty()) {
    chunk_header(b, 0x2000, s.lights.size());
    for (const TOOL_KrmLight& l : s.lights) {
      b.str(l.name).i32(l.flags);
      vec(b, l.position);
      b.vec3(0, 0, 0).f32(0);
      vec(b, l.colour);
      b.i32(0).i32(0).f32(l.range);
    }
  }
  if (!s.cameras.empty()) {
    chunk_header(b, 0x3000, s.cameras.size());
    for (const TOOL_KrmCamera& c : s.cameras) {
      b.str(c.name).i32(c.flags);
      vec(b, c.position);
      vec(b, c.target);
      b.f32(c.roll).f32(c.fov);
    }
  }
  if (!s.meshes.empty()) {
    chunk_header(b, 0x4000, s.meshes.size());
    for (const TOOL_KrmMesh& m : s.meshes) write_mesh(b, m);
  }
  return b.data;
}

bool TOOL_KrmWriteFile(const std::string& path, const TOOL_KrmScene& scene) {
  return TOOL_WriteFile(path, TOOL_KrmWrite(scene));
}

// Writing KRM scene files from a plain description: what mkcontent and the tests use to make
// scenes the engine's loader reads back as described.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct TOOL_KrmMaterial {
  std::string texture;  // file name, or '.' and a decimal 0xRRGGBB colour number
  std::int32_t flags = 0;
  std::array<float, 3> colourA{0, 0, 0};
  std::array<float, 3> colourB{1, 1, 1};
  std::int32_t blend = 0;  // 1 additive by opacity, 2 alpha-blended by opacity, else opaque
  float opacity = 1.0f;
};

struct TOOL_KrmLight {
  std::string name;
  std::int32_t flags = 0;  // 1: the range applies (linear fall-off); 4: static light
  std::array<float, 3> position{0, 0, 0};
  std::array<float, 3> colour{1, 1, 1};
  float range = 0.0f;
};

struct TOOL_KrmCamera {
  std::string name;
  std::int32_t flags = 0;
  std::array<float, 3> position{0, 0, 0};
  std::array<float, 3> target{0, 0, 1};
  float roll = 0.0f;
  float fov = 60.0f;
};

struct TOOL_KrmCorner {
  std::int32_t vertex = 0;
  float u = 0.0f, v = 0.0f;
};

struct TOOL_KrmPoly {
  std::int32_t material = 0;  // index into the file's materials
  std::vector<TOOL_KrmCorner> corners;  // 3 or 4
  std::int32_t smoothing = 0;  // written when the mesh has flag 0x02
};

struct TOOL_KrmWeight {
  std::int32_t bone = 0;
  float weight = 1.0f;
  std::array<float, 3> offset{0, 0, 0};  // the vertex in the bone's space
};

struct TOOL_KrmMesh {
  std::string name;
  // 0x01 skinned (bones and weights written), 0x02 smoothing groups written, 0x04 casts
  // shadows, 0x08 lightmapped, 0x10 static (baked into world space by the loader).
  std::int32_t flags = 0;
  std::array<float, 9> rotation{1, 0, 0, 0, 1, 0, 0, 0, 1};  // rows 0, 1, 2
  std::array<float, 3> translation{0, 0, 0};
  std::vector<std::array<float, 3>> vertices;
  std::vector<TOOL_KrmPoly> polys;
  std::vector<std::string> bones;
  std::vector<std::vector<TOOL_KrmWeight>> weights;  // per vertex; missing entries write none
};

struct TOOL_KrmScene {
  std::uint16_t version = 1;
  std::vector<std::uint8_t> extension;
  std::vector<TOOL_KrmMaterial> materials;
  std::vector<TOOL_KrmLight> lights;
  std::vector<TOOL_KrmCamera> cameras;
  std::vector<TOOL_KrmMesh> meshes;
};

// The file's bytes: the header, then one chunk per kind that has records (materials, lights,
// cameras, meshes).
std::vector<std::uint8_t> TOOL_KrmWrite(const TOOL_KrmScene& scene);
bool TOOL_KrmWriteFile(const std::string& path, const TOOL_KrmScene& scene);

// Writing KRK keyframe files from a plain description.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct TOOL_KrkRotationKey {
  std::int32_t frame = 0;
  // Packed keys store each element as signed 8.8 fixed point (two bytes), so only multiples
  // of 1/256 within [-128, 128) come back exactly.
  bool packed = false;
  std::array<float, 9> rows{1, 0, 0, 0, 1, 0, 0, 0, 1};  // rows 0, 1, 2 of the rotation
};

struct TOOL_KrkPositionKey {
  std::int32_t frame = 0;
  std::array<float, 3> position{0, 0, 0};
};

struct TOOL_KrkNode {
  std::string name;
  bool hasRotation = false;  // node flag 1: the rotation track is written
  bool hasPosition = false;  // node flag 2: the position track is written
  std::vector<TOOL_KrkRotationKey> rotation;
  std::vector<TOOL_KrkPositionKey> position;
};

struct TOOL_KrkScene {
  std::uint16_t version = 0x0100;
  std::vector<std::uint8_t> extension;
  std::vector<TOOL_KrkNode> nodes;
};

// The file's bytes: the header and one nodes chunk.
std::vector<std::uint8_t> TOOL_KrkWrite(const TOOL_KrkScene& scene);
bool TOOL_KrkWriteFile(const std::string& path, const TOOL_KrkScene& scene);

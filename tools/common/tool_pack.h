// Writing the engine's packed files (the engine itself only reads them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The packed form of `data`: banner, zero byte, unpacked size, one zlib stream.
std::vector<std::uint8_t> TOOL_Pack(const std::vector<std::uint8_t>& data);

// Reads a whole file; false when it cannot be read.
bool TOOL_ReadFile(const std::string& path, std::vector<std::uint8_t>& out);
// Writes a whole file; false when it cannot be written.
bool TOOL_WriteFile(const std::string& path, const std::vector<std::uint8_t>& data);

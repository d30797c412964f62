// Fuzz inputs for readers that take a file name: the bytes are written to a private file.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline std::string FuzzWriteInput(const std::uint8_t* data, std::size_t size, const char* suffix) {
  std::string path = "/tmp/velmar-fuzz-" + std::to_string(getpid()) + suffix;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

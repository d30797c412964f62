// The per-process input file of the image fuzzers.
#include "fuzz/fuzz_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string g_path;

void remove_input() { std::remove(g_path.c_str()); }

}  // namespace

const char* FUZZ_WriteInput(const std::uint8_t* data, std::size_t size, const char* extension) {
  if (g_path.empty()) {
    // Shared memory where there is some: the file is rewritten for every input.
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    g_path = std::string(dir) + "/velmar-fuzz-" + std::to_string(getpid()) + extension;
    std::atexit(remove_input);
  }
  std::FILE* f = std::fopen(g_path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  return g_path.c_str();
}

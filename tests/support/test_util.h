// Small helpers shared by the tests: a temporary folder that cleans itself up, whole-file
// reads and writes, and a collector for the engine's error messages.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vt {

// A fresh folder under the system's temporary folder, removed with everything in it.
struct TempDir {
  std::filesystem::path path;
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const { return (path / name).string(); }
};

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteFile(const std::string& path, const std::string& text);
std::vector<std::uint8_t> ReadFile(const std::string& path);

// Collects KR_Error messages while alive.
struct ErrorLog {
  ErrorLog();
  ~ErrorLog();
  std::vector<std::string> messages;
  bool Has(const std::string& text) const;
};

// Makes the current folder `dir` while alive.
struct ChangeDir {
  explicit ChangeDir(const std::filesystem::path& dir);
  ~ChangeDir();
  std::filesystem::path previous;
};

}  // namespace vt

// Test helpers.
#include "tests/support/test_util.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

#include "base/kr_error.h"

namespace vt {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velmar-test-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back(0);
  char* made = mkdtemp(buf.data());
  path = made ? made : pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

namespace {
ErrorLog* g_current = nullptr;
void collect(const char* message) {
  if (g_current) g_current->messages.emplace_back(message);
}
}  // namespace

ErrorLog::ErrorLog() {
  g_current = this;
  KR_ErrorSetSink(collect);
}

ErrorLog::~ErrorLog() {
  KR_ErrorSetSink(nullptr);
  g_current = nullptr;
}

bool ErrorLog::Has(const std::string& text) const {
  return std::find(messages.begin(), messages.end(), text) != messages.end();
}

ChangeDir::ChangeDir(const std::filesystem::path& dir) : previous(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

ChangeDir::~ChangeDir() {
  std::error_code ec;
  std::filesystem::current_path(previous, ec);
}

}  // namespace vt

// The generated content pack for tests that load the show's content: made once per test
// process by mkcontent into a temporary folder, and copied into a folder of a test's own where
// the test may delete or damage files.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/test_util.h"

namespace vt {

// The folder holding the default pack's "data" folder; empty when mkcontent failed.
const std::filesystem::path& ContentPack();

// While alive, the current folder is a fresh copy of the default pack.
struct ContentPackCopy {
  ContentPackCopy();
  // A file of the copy by the show's name for it ("data\\fonts\\weird.jpg").
  std::filesystem::path File(const std::string& showPath) const;
  void Remove(const std::string& showPath) const;
  // Replaces the file's contents by bytes no loader takes.
  void Damage(const std::string& showPath) const;
  TempDir dir;
  ChangeDir cd;
};

}  // namespace vt

// The generated content pack for tests that load the show's content: made by mkcontent once
// into the build tree (tests/content-pack) and shared by every test process, which must leave
// it as it is; a test that deletes or damages files works on a copy in a folder of its own.
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

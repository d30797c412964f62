// The generated content pack: one mkcontent run per process, and copies of it.
#include "tests/support/content_pack.h"

#include <cstdlib>

namespace vt {

namespace {

bool Make(const std::filesystem::path& dir) {
  const std::string command = std::string("'") + VELMAR_MKCONTENT + "' '" + dir.string() + "' > /dev/null 2>&1";
  return std::system(command.c_str()) == 0 && std::filesystem::is_directory(dir / "data");
}

std::filesystem::path CopyOf(const std::filesystem::path& dir) {
  std::filesystem::copy(ContentPack() / "data", dir / "data", std::filesystem::copy_options::recursive);
  return dir;
}

}  // namespace

const std::filesystem::path& ContentPack() {
  static TempDir dir;
  static const std::filesystem::path made = Make(dir.path) ? dir.path : std::filesystem::path();
  return made;
}

ContentPackCopy::ContentPackCopy() : cd(CopyOf(dir.path)) {}

std::filesystem::path ContentPackCopy::File(const std::string& showPath) const {
  std::string p = showPath;
  for (char& c : p)
    if (c == '\\') c = '/';
  return dir.path / p;
}

void ContentPackCopy::Remove(const std::string& showPath) const { std::filesystem::remove(File(showPath)); }

void ContentPackCopy::Damage(const std::string& showPath) const { WriteFile(File(showPath).string(), "not a picture"); }

}  // namespace vt

// The generated content pack: made by mkcontent into the build tree once for every test that
// needs it (again when mkcontent is rebuilt), and copies of it.
#include "tests/support/content_pack.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace vt {

namespace {

namespace fs = std::filesystem;

// What the pack was made by: the tool's modification time.
std::string Maker() {
  std::error_code ec;
  return std::to_string(fs::last_write_time(VELMAR_MKCONTENT, ec).time_since_epoch().count());
}

bool Current(const fs::path& dir, const std::string& maker) {
  std::ifstream in(dir / "made-by");
  std::string stamp;
  return std::getline(in, stamp) && stamp == maker && fs::is_directory(dir / "data");
}

// Test processes may run side by side: one makes the pack while the others wait on the lock.
bool Make(const fs::path& dir) {
  const std::string maker = Maker();
  const int lock = open((dir.string() + ".lock").c_str(), O_CREAT | O_RDWR, 0644);
  if (lock < 0 || flock(lock, LOCK_EX) != 0) return false;
  bool ok = Current(dir, maker);
  if (!ok) {
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
    const std::string command = std::string("'") + VELMAR_MKCONTENT + "' '" + dir.string() + "' > /dev/null 2>&1";
    ok = std::system(command.c_str()) == 0 && fs::is_directory(dir / "data");
    if (ok) std::ofstream(dir / "made-by") << maker << "\n";
  }
  close(lock);
  return ok;
}

fs::path CopyOf(const fs::path& dir) {
  fs::copy(ContentPack() / "data", dir / "data", fs::copy_options::recursive);
  return dir;
}

}  // namespace

const fs::path& ContentPack() {
  static const fs::path made = Make(VELMAR_TEST_PACK) ? fs::path(VELMAR_TEST_PACK) : fs::path();
  return made;
}

ContentPackCopy::ContentPackCopy() : cd(CopyOf(dir.path)) {}

fs::path ContentPackCopy::File(const std::string& showPath) const {
  std::string p = showPath;
  for (char& c : p)
    if (c == '\\') c = '/';
  return dir.path / p;
}

void ContentPackCopy::Remove(const std::string& showPath) const { fs::remove(File(showPath)); }

void ContentPackCopy::Damage(const std::string& showPath) const { WriteFile(File(showPath).string(), "not a picture"); }

}  // namespace vt

// The path resolver. The show names its files Windows-style ("data\\graphics\\LOADING.JPG");
// here each component is looked up case-insensitively, so the names find their files on a
// case-sensitive file system.
#include "platform/pl_platform.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

std::string g_dataDir;  // empty: "data" in the current directory

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The entry of `dir` that equals `name` ignoring case; the smallest such name when several
// differ only in case, so the choice does not depend on directory order.
bool match_component(const std::string& dir, const std::string& name, std::string& found) {
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  bool any = false;
  while (dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) != 0) continue;
    if (!any || std::strcmp(e->d_name, found.c_str()) < 0) found = e->d_name;
    any = true;
  }
  closedir(d);
  return any;
}

}  // namespace

void PL_SetDataDir(const char* dir) {
  g_dataDir = dir ? dir : "";
  while (g_dataDir.size() > 1 && g_dataDir.back() == '/') g_dataDir.pop_back();
}

int PL_ResolvePath(const char* name, char* out, std::size_t outSize) {
  if (!name || !out || outSize == 0) return 0;
  std::string path(name);
  for (char& c : path)
    if (c == '\\') c = '/';
  // The content folder may live elsewhere; its own name is then taken as it stands.
  if (!g_dataDir.empty() && path.size() > 5 && strncasecmp(path.c_str(), "data/", 5) == 0)
    path = g_dataDir + path.substr(4);

  std::string result;
  std::size_t i = 0;
  if (!path.empty() && path[0] == '/') {
    result = "/";
    i = 1;
  }
  bool resolving = true;  // once a component is missing, the rest is kept as given
  while (i <= path.size()) {
    std::size_t slash = path.find('/', i);
    if (slash == std::string::npos) slash = path.size();
    std::string comp = path.substr(i, slash - i);
    i = slash + 1;
    if (comp.empty()) continue;
    std::string dir = result;
    std::string candidate = dir.empty() ? comp : (dir.back() == '/' ? dir + comp : dir + "/" + comp);
    if (resolving && comp != "." && comp != ".." && !exists(candidate)) {
      std::string found;
      if (match_component(dir, comp, found))
        candidate = dir.empty() ? found : (dir.back() == '/' ? dir + found : dir + "/" + found);
      else
        resolving = false;
    }
    result = candidate;
  }
  if (result.size() + 1 > outSize) return 0;
  std::memcpy(out, result.c_str(), result.size() + 1);
  return 1;
}

std::FILE* PL_Fopen(const char* name, const char* mode) {
  if (!name || !mode) return nullptr;
  char resolved[4096];
  if (!PL_ResolvePath(name, resolved, sizeof resolved)) return nullptr;
  // stdio here has no text mode; drop the Windows 't'.
  char m[8];
  std::size_t n = 0;
  for (const char* p = mode; *p && n + 1 < sizeof m; p++)
    if (*p != 't') m[n++] = *p;
  m[n] = 0;
  return std::fopen(resolved, m);
}

const char* PL_ExecutableDir(void) {
  static char dir[4096];
  if (!dir[0]) {
    ssize_t n = readlink("/proc/self/exe", dir, sizeof dir - 1);
    if (n <= 0) {
      std::strcpy(dir, ".");
    } else {
      dir[n] = 0;
      char* slash = std::strrchr(dir, '/');
      if (slash && slash != dir) *slash = 0;
      else if (slash) slash[1] = 0;
    }
  }
  return dir;
}

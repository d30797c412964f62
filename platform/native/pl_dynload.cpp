// Dynamic loading: LoadLibraryA("clpdll.dll") opens clpdll.so from the executable's folder or,
// where it is not there (an installation keeps the libraries apart from the programs), from the
// platform library's own folder.
// Each file is its own dlopen handle, so two differently named copies of a library are two
// independent modules with their own globals.
#include "platform/pl_platform.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <strings.h>

#include <cstring>
#include <string>

namespace {

// The folder this library was loaded from, or "" when the loader does not say.
std::string own_dir() {
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&LoadLibraryA), &info) || !info.dli_fname) return "";
  std::string path(info.dli_fname);
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

}  // namespace

HMODULE LoadLibraryA(const char* name) {
  if (!name || !*name) return nullptr;
  std::string file(name);
  for (char& c : file)
    if (c == '\\') c = '/';
  if (file.size() > 4 && strcasecmp(file.c_str() + file.size() - 4, ".dll") == 0)
    file.replace(file.size() - 4, 4, ".so");
  char resolved[4096];
  if (file.find('/') == std::string::npos) {
    for (const std::string& dir : {std::string(PL_ExecutableDir()), own_dir()}) {
      if (dir.empty()) continue;
      struct stat st;
      std::string candidate = dir + "/" + file;
      if (PL_ResolvePath(candidate.c_str(), resolved, sizeof resolved) && stat(resolved, &st) == 0)
        return static_cast<HMODULE>(dlopen(resolved, RTLD_NOW | RTLD_LOCAL));
    }
    return nullptr;
  }
  if (!PL_ResolvePath(file.c_str(), resolved, sizeof resolved)) return nullptr;
  return static_cast<HMODULE>(dlopen(resolved, RTLD_NOW | RTLD_LOCAL));
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(module, name));
}

BOOL FreeLibrary(HMODULE module) { return module && dlclose(module) == 0; }

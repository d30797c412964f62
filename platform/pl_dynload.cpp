// Dynamic loading: LoadLibraryA("clpdll.dll") opens clpdll.so from the executable's folder.
// Each file is its own dlopen handle, so two differently named copies of a library are two
// independent modules with their own globals.
#include "platform/pl_platform.h"

#include <dlfcn.h>
#include <strings.h>

#include <cstring>
#include <string>

HMODULE LoadLibraryA(const char* name) {
  if (!name || !*name) return nullptr;
  std::string file(name);
  for (char& c : file)
    if (c == '\\') c = '/';
  if (file.size() > 4 && strcasecmp(file.c_str() + file.size() - 4, ".dll") == 0)
    file.replace(file.size() - 4, 4, ".so");
  if (file.find('/') == std::string::npos) file = std::string(PL_ExecutableDir()) + "/" + file;
  char resolved[4096];
  if (!PL_ResolvePath(file.c_str(), resolved, sizeof resolved)) return nullptr;
  return static_cast<HMODULE>(dlopen(resolved, RTLD_NOW | RTLD_LOCAL));
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(module, name));
}

BOOL FreeLibrary(HMODULE module) { return module && dlclose(module) == 0; }

// Dynamic loading in the browser: the page is one WebAssembly module, so the two copies of the
// clip library are linked into it, each compiled with its own names, and register their
// exports here under their library's name. LoadLibraryA("clpdll2.dll") finds the copy that
// registered as "clpdll2"; each copy keeps its own decoder state, as two loaded files would.
#include <strings.h>

#include <string>

#include "platform/pl_platform.h"

struct PL_Module {
  const char* name;
  const PL_ModuleExport* exports;
  int count;
  int loads;  // LoadLibraryA calls not yet matched by FreeLibrary
};

namespace {
PL_Module g_modules[8];
int g_count = 0;

// "clpdll2.dll", "./clpdll2.so" or "CLPDLL2" all name the module "clpdll2".
std::string module_name(const char* file) {
  std::string s(file);
  std::size_t slash = s.find_last_of("/\\");
  if (slash != std::string::npos) s = s.substr(slash + 1);
  std::size_t dot = s.rfind('.');
  if (dot != std::string::npos) s = s.substr(0, dot);
  return s;
}
}  // namespace

int PL_ModuleRegister(const char* name, const PL_ModuleExport* exports, int count) {
  if (!name || g_count == int(sizeof g_modules / sizeof g_modules[0])) return 0;
  g_modules[g_count++] = PL_Module{name, exports, count, 0};
  return 1;
}

HMODULE LoadLibraryA(const char* name) {
  if (!name || !*name) return nullptr;
  const std::string wanted = module_name(name);
  for (int i = 0; i < g_count; i++)
    if (strcasecmp(g_modules[i].name, wanted.c_str()) == 0) {
      g_modules[i].loads++;
      return &g_modules[i];
    }
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name) return nullptr;
  for (int i = 0; i < module->count; i++)
    if (std::string(module->exports[i].name) == name) return module->exports[i].proc;
  return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
  if (!module || module->loads <= 0) return FALSE;
  module->loads--;
  return TRUE;
}

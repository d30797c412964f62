// Keeps the OpenGL driver's modules loaded for the life of the process. Mesa loads its driver
// (and LLVM, for the software renderers) with dlopen and unloads it when the display closes.
// What the driver allocated once and never freed then belongs to no module any more: the leak
// checker at exit reports it against an unknown module, where no suppression of the driver's
// own one-time allocations can match it. A module that stays loaded keeps its name.
#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/pl_internal.h"

namespace {

// The modules an OpenGL implementation loads at run time: Mesa's DRI and Gallium drivers and
// its GLX/EGL vendor libraries, the LLVM they compile with, and vendor drivers.
constexpr const char* kDriverParts[] = {"/dri/", "libgallium", "libGLX_", "libEGL_", "libLLVM", "libvulkan_", "libnvidia-"};

int collect(struct dl_phdr_info* info, size_t, void* data) {
  const char* name = info->dlpi_name;
  if (!name || !*name) return 0;
  for (const char* part : kDriverParts)
    if (std::strstr(name, part)) {
      static_cast<std::vector<std::string>*>(data)->push_back(name);
      break;
    }
  return 0;
}

}  // namespace

void pl_gl_modules_pin(void) {
  std::vector<std::string> names;
  dl_iterate_phdr(collect, &names);
  // RTLD_NOLOAD only finds a module already loaded; RTLD_NODELETE then keeps it past every
  // dlclose. The reference this takes is never given back, on purpose.
  for (const std::string& name : names) dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

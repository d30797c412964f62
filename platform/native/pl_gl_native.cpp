// Where the program's OpenGL calls go natively: to the system's OpenGL library, fetched by
// name from it (the program links none, so that every call passes the record of pl_gl.h), or,
// for an OpenGL ES context, to the OpenGL 1.1 layer the browser build draws with.
#include <dlfcn.h>

#include "platform/pl_gl_es.h"
#include "platform/pl_internal.h"

namespace {

void* (*g_esLoad)(const char*) = nullptr;  // the loader of the OpenGL ES contexts' entry points

// The vendor-neutral OpenGL library first (it serves GLX and EGL contexts alike), then the
// classic one.
void* desktop_proc(const char* name) {
  static void* library = nullptr;
  static int tried = 0;
  if (!tried++) {
    library = dlopen("libOpenGL.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) library = dlopen("libGL.so.1", RTLD_NOW | RTLD_LOCAL);
  }
  return library ? dlsym(library, name) : nullptr;
}

}  // namespace

const PL_GlProcs* pl_gl_default(void) {
  static PL_GlProcs procs;
  static int made = 0;
  if (!made++) pl_gl_fill(&procs, desktop_proc);
  return &procs;
}

int pl_gl_context_layer(PL_GlContext* context, void* (*load)(const char* name), int width, int height) {
  context->layer = pl_gl_layer_create(load, width, height);
  if (!context->layer) return 0;
  if (!g_esLoad) g_esLoad = load;
  return 1;
}

void pl_gl_context_select(PL_GlContext* context) {
  if (context && context->layer) {
    pl_gl_layer_select(context->layer);
    pl_gl_use(pl_gl_layer_procs(g_esLoad));
  } else {
    pl_gl_layer_select(nullptr);
    pl_gl_use(pl_gl_default());
  }
}

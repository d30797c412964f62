// The OpenGL 1.1 names the program calls, each a jump through the record of the current
// implementation (pl_gl.h), and the filling of such records.
#include "platform/pl_gl.h"

#include <cstdio>

namespace {

// Stand-ins for an entry the implementation lacks: one line on stderr, then nothing. They take
// the call's arguments and look at none of them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define PL_GL_PROC(ret, name, params, args)                                                  \
  ret missing_##name params {                                                                \
    static int said = 0;                                                                     \
    if (!said++) std::fprintf(stderr, "OpenGL: %s is not available here\n", #name);          \
    using Result = ret;                                                                      \
    return Result();                                                                         \
  }
#include "platform/pl_gl_procs.h"
#undef PL_GL_PROC
#pragma GCC diagnostic pop

// Until an implementation is chosen, the first call chooses the default one.
#define PL_GL_PROC(ret, name, params, args) ret first_##name params;
#include "platform/pl_gl_procs.h"
#undef PL_GL_PROC

PL_GlProcs g_procs = {
#define PL_GL_PROC(ret, name, params, args) &first_##name,
#include "platform/pl_gl_procs.h"
#undef PL_GL_PROC
};

#define PL_GL_PROC(ret, name, params, args) \
  ret first_##name params {                 \
    pl_gl_use(pl_gl_default());             \
    return g_procs.name args;               \
  }
#include "platform/pl_gl_procs.h"
#undef PL_GL_PROC

}  // namespace

void pl_gl_use(const PL_GlProcs* procs) {
  if (procs) g_procs = *procs;
}

void pl_gl_fill(PL_GlProcs* procs, void* (*load)(const char* name)) {
#define PL_GL_PROC(ret, name, params, args)                                     \
  if (!procs->name && load) procs->name = reinterpret_cast<decltype(procs->name)>(load(#name)); \
  if (!procs->name) procs->name = &missing_##name;
#include "platform/pl_gl_procs.h"
#undef PL_GL_PROC
}

extern "C" {
#define PL_GL_PROC(ret, name, params, args) \
  ret name params { return g_procs.name args; }
#include "platform/pl_gl_procs.h"
#undef PL_GL_PROC
}

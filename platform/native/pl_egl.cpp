// OpenGL contexts without a window: EGL with no surface at all, for offline renders, which need
// no display. The display is a GPU's EGL device where one is offered, else Mesa's software
// device or its surfaceless platform; the context is a desktop OpenGL compatibility context
// made current without a surface (or on a tiny pbuffer where the driver wants one), and the
// program draws into framebuffer objects of its own.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/pl_internal.h"

namespace {

struct Egl {
  int tried = 0;
  EGLDisplay display = EGL_NO_DISPLAY;
  std::string device;  // what was chosen, for the one line a render prints
  std::string error;   // why nothing could be chosen
};

Egl g_egl;

bool has_extension(const char* list, const char* name) {
  if (!list) return false;
  const std::size_t n = std::strlen(name);
  for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n)
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == 0)) return true;
  return false;
}

// A display that initialises and offers desktop OpenGL; EGL_NO_DISPLAY otherwise.
EGLDisplay open_display(EGLenum platform, void* native) {
  EGLDisplay d = eglGetPlatformDisplay(platform, native, nullptr);
  if (d == EGL_NO_DISPLAY) return d;
  EGLint major = 0, minor = 0;
  if (!eglInitialize(d, &major, &minor)) return EGL_NO_DISPLAY;
  if (!has_extension(eglQueryString(d, EGL_CLIENT_APIS), "OpenGL")) {
    eglTerminate(d);
    return EGL_NO_DISPLAY;
  }
  return d;
}

// Chooses the display once: the first hardware device, then a software one, then the
// surfaceless platform.
EGLDisplay choose_display() {
  if (g_egl.tried) return g_egl.display;
  g_egl.tried = 1;
  const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!client) {
    g_egl.error = "no EGL implementation was found";
    return EGL_NO_DISPLAY;
  }
  if (has_extension(client, "EGL_EXT_device_enumeration") && has_extension(client, "EGL_EXT_platform_device")) {
    auto query = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    auto string = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
    EGLDeviceEXT devices[16];
    EGLint count = 0;
    if (query && string && query(16, devices, &count)) {
      for (int pass = 0; pass < 2 && g_egl.display == EGL_NO_DISPLAY; pass++)
        for (EGLint i = 0; i < count && g_egl.display == EGL_NO_DISPLAY; i++) {
          const bool software = has_extension(string(devices[i], EGL_EXTENSIONS), "EGL_MESA_device_software");
          if (software != (pass == 1)) continue;
          g_egl.display = open_display(EGL_PLATFORM_DEVICE_EXT, devices[i]);
          if (g_egl.display != EGL_NO_DISPLAY)
            g_egl.device = std::string(software ? "the software " : "the GPU's ") + "EGL device";
        }
    }
  }
  if (g_egl.display == EGL_NO_DISPLAY && has_extension(client, "EGL_MESA_platform_surfaceless")) {
    g_egl.display = open_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY);
    if (g_egl.display != EGL_NO_DISPLAY) g_egl.device = "Mesa's surfaceless EGL platform";
  }
  if (g_egl.display == EGL_NO_DISPLAY) g_egl.error = "no EGL device or surfaceless platform offers desktop OpenGL";
  return g_egl.display;
}

EGLConfig choose_config(EGLDisplay d, EGLint surfaceType) {
  const EGLint attributes[] = {EGL_SURFACE_TYPE, surfaceType, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                               EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(d, attributes, &config, 1, &count) || count < 1) return nullptr;
  return config;
}

}  // namespace

PL_GlContext* pl_egl_context_create(void) {
  EGLDisplay d = choose_display();
  if (d == EGL_NO_DISPLAY) return nullptr;
  if (!eglBindAPI(EGL_OPENGL_API)) {
    g_egl.error = "EGL does not offer desktop OpenGL";
    return nullptr;
  }
  const bool surfaceless = has_extension(eglQueryString(d, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context");
  EGLConfig config = choose_config(d, EGL_PBUFFER_BIT);
  if (!config && surfaceless) config = choose_config(d, EGL_DONT_CARE);
  if (!config) {
    g_egl.error = "EGL has no configuration for desktop OpenGL";
    return nullptr;
  }
  // The show draws in immediate mode: a compatibility context of whatever version.
  const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                               EGL_NONE};
  EGLContext context = eglCreateContext(d, config, EGL_NO_CONTEXT, attributes);
  if (context == EGL_NO_CONTEXT) {
    g_egl.error = "EGL could not make an OpenGL compatibility context";
    return nullptr;
  }
  EGLSurface surface = EGL_NO_SURFACE;
  if (!surfaceless) {
    const EGLint size[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
    surface = eglCreatePbufferSurface(d, config, size);
    if (surface == EGL_NO_SURFACE) {
      eglDestroyContext(d, context);
      g_egl.error = "EGL could make neither a surfaceless context nor a pbuffer";
      return nullptr;
    }
  }
  auto* c = new PL_GlContext{};
  c->egl = context;
  c->eglSurface = surface;
  return c;
}

BOOL pl_egl_make_current(PL_GlContext* context) {
  if (g_egl.display == EGL_NO_DISPLAY) return FALSE;
  if (!context) return eglMakeCurrent(g_egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  return eglMakeCurrent(g_egl.display, context->eglSurface, context->eglSurface, context->egl);
}

void pl_egl_context_delete(PL_GlContext* context) {
  if (eglGetCurrentContext() == context->egl) pl_egl_make_current(nullptr);
  if (context->eglSurface != EGL_NO_SURFACE) eglDestroySurface(g_egl.display, context->eglSurface);
  eglDestroyContext(g_egl.display, context->egl);
}

void* pl_egl_proc_address(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

const char* PL_HeadlessDevice(void) { return g_egl.device.empty() ? nullptr : g_egl.device.c_str(); }

const char* PL_HeadlessError(void) { return g_egl.error.empty() ? nullptr : g_egl.error.c_str(); }

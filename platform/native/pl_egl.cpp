// OpenGL contexts without a window: EGL with no surface at all, for offline renders, which need
// no display. The candidates are tried in turn until one gives both a configuration and a
// context: the GPUs' EGL devices, then Mesa's software device, then its surfaceless platform.
// The context is a desktop OpenGL compatibility context made current without a surface (or on
// a tiny pbuffer where the driver wants one), and the program draws into framebuffer objects
// of its own. In OpenGL ES mode (PL_SetGlEs) the context is an OpenGL ES 3.0 one instead.
//
// For tests, VELMAR_EGL_REFUSE names candidates ("gpu", "software", "surfaceless", separated
// by commas) that are to behave as if they made no context; "NAME:profile" makes one refuse
// only the compatibility-profile attribute, as an EGL 1.4 driver does.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/pl_internal.h"
#include "platform/pl_platform.h"

namespace {

struct Candidate {
  EGLenum platform;
  void* native;
  const char* name;  // as VELMAR_EGL_REFUSE calls it
  const char* what;  // for the one line a render prints
};

struct Egl {
  int tried = 0;
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLConfig config = nullptr;
  bool surfaceless = false;  // contexts are made current without any surface
  bool profile = false;      // the driver takes the compatibility-profile attribute
  const char* name = "";
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

// Whether VELMAR_EGL_REFUSE holds `name` (or `name:profile`, where only the profile is asked about).
bool refused(const char* name, bool profileOnly) {
  const char* list = std::getenv("VELMAR_EGL_REFUSE");
  if (!list) return false;
  const std::string entry = "," + std::string(name) + (profileOnly ? ":profile," : ",");
  return ("," + std::string(list) + ",").find(entry) != std::string::npos;
}

// The client API asked for, as EGL_CLIENT_APIS names it.
const char* api_name() { return PL_GlEs() ? "OpenGL_ES" : "OpenGL"; }

// A display that initialises and offers the API; EGL_NO_DISPLAY otherwise.
EGLDisplay open_display(EGLenum platform, void* native) {
  EGLDisplay d = eglGetPlatformDisplay(platform, native, nullptr);
  if (d == EGL_NO_DISPLAY) return d;
  EGLint major = 0, minor = 0;
  if (!eglInitialize(d, &major, &minor)) return EGL_NO_DISPLAY;
  if (!has_extension(eglQueryString(d, EGL_CLIENT_APIS), api_name())) {
    eglTerminate(d);
    return EGL_NO_DISPLAY;
  }
  return d;
}

// The GPUs' devices first, then the software ones, then the surfaceless platform.
std::vector<Candidate> candidates(const char* client) {
  std::vector<Candidate> list;
  if (has_extension(client, "EGL_EXT_device_enumeration") && has_extension(client, "EGL_EXT_platform_device")) {
    auto query = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    auto string = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
    EGLint count = 0;
    // Asked without an array, EGL says how many devices there are.
    std::vector<EGLDeviceEXT> devices;
    if (query && string && query(0, nullptr, &count) && count > 0) {
      devices.resize(std::size_t(count));
      if (!query(count, devices.data(), &count)) count = 0;
      devices.resize(std::size_t(count));
    }
    for (int pass = 0; pass < 2; pass++)
      for (EGLDeviceEXT device : devices) {
        const bool software = has_extension(string(device, EGL_EXTENSIONS), "EGL_MESA_device_software");
        if (software != (pass == 1)) continue;
        list.push_back(software ? Candidate{EGL_PLATFORM_DEVICE_EXT, device, "software", "the software EGL device"}
                                : Candidate{EGL_PLATFORM_DEVICE_EXT, device, "gpu", "the GPU's EGL device"});
      }
  }
  if (has_extension(client, "EGL_MESA_platform_surfaceless"))
    list.push_back(Candidate{EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, "surfaceless",
                             "Mesa's surfaceless EGL platform"});
  return list;
}

EGLConfig choose_config(EGLDisplay d, EGLint surfaceType) {
  const EGLint attributes[] = {EGL_SURFACE_TYPE, surfaceType, EGL_RENDERABLE_TYPE,
                               PL_GlEs() ? EGL_OPENGL_ES3_BIT : EGL_OPENGL_BIT,
                               EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(d, attributes, &config, 1, &count) || count < 1) return nullptr;
  return config;
}

// A context on the display with the settings in `e`, or null with `why` set. The show draws in
// immediate mode, so it wants a compatibility context of whatever version; without the profile
// attribute a driver gives its default context, which for desktop OpenGL is a compatibility one.
PL_GlContext* make_context(const Egl& e, const char** why) {
  if (!eglBindAPI(PL_GlEs() ? EGL_OPENGL_ES_API : EGL_OPENGL_API)) {
    *why = PL_GlEs() ? "EGL does not offer OpenGL ES" : "EGL does not offer desktop OpenGL";
    return nullptr;
  }
  // In debug mode a debug context is asked for first (EGL 1.5's attribute), then an ordinary one.
  std::vector<EGLint> attributes;
  if (PL_GlEs()) attributes = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0};
  else if (e.profile) attributes = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT};
  const std::size_t plain = attributes.size();
  if (PL_GlDebugWanted()) attributes.insert(attributes.end(), {EGL_CONTEXT_OPENGL_DEBUG, EGL_TRUE});
  attributes.push_back(EGL_NONE);
  EGLContext context = EGL_NO_CONTEXT;
  if (!refused(e.name, false) && !(e.profile && refused(e.name, true))) {
    context = eglCreateContext(e.display, e.config, EGL_NO_CONTEXT, attributes.data());
    if (context == EGL_NO_CONTEXT && attributes.size() > plain + 1) {
      attributes[plain] = EGL_NONE;
      context = eglCreateContext(e.display, e.config, EGL_NO_CONTEXT, attributes.data());
    }
  }
  if (context == EGL_NO_CONTEXT) {
    *why = "no OpenGL context";
    return nullptr;
  }
  EGLSurface surface = EGL_NO_SURFACE;
  if (!e.surfaceless) {
    const EGLint size[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
    surface = eglCreatePbufferSurface(e.display, e.config, size);
    if (surface == EGL_NO_SURFACE) {
      eglDestroyContext(e.display, context);
      *why = "neither a surfaceless context nor a pbuffer";
      return nullptr;
    }
  }
  auto* c = new PL_GlContext{};
  c->egl = context;
  c->eglSurface = surface;
  return c;
}

// Tries the candidates in turn, each with the profile attribute and then without it; keeps the
// first that makes a context, and returns that context.
PL_GlContext* choose(void) {
  g_egl.tried = 1;
  const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!client) {
    g_egl.error = "no EGL implementation was found";
    return nullptr;
  }
  for (const Candidate& candidate : candidates(client)) {
    Egl e;
    e.name = candidate.name;
    e.display = open_display(candidate.platform, candidate.native);
    const char* why = PL_GlEs() ? "no OpenGL ES" : "no desktop OpenGL";
    if (e.display != EGL_NO_DISPLAY) {
      e.surfaceless = has_extension(eglQueryString(e.display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context");
      e.config = choose_config(e.display, EGL_PBUFFER_BIT);
      if (!e.config && e.surfaceless) e.config = choose_config(e.display, EGL_DONT_CARE);
      if (!e.config) why = PL_GlEs() ? "no configuration for OpenGL ES 3" : "no configuration for desktop OpenGL";
      // OpenGL ES has no profiles to ask for.
      for (int profile = PL_GlEs() ? 0 : 1; profile >= 0 && e.config; profile--) {
        e.profile = profile != 0;
        if (PL_GlContext* c = make_context(e, &why)) {
          e.tried = 1;
          e.device = candidate.what;
          g_egl = e;
          return c;
        }
      }
      eglTerminate(e.display);
    }
    g_egl.error += (g_egl.error.empty() ? "" : "; ") + std::string(candidate.what) + ": " + why;
  }
  if (g_egl.error.empty())
    g_egl.error = std::string("no EGL device or surfaceless platform offers ") + (PL_GlEs() ? "OpenGL ES" : "desktop OpenGL");
  return nullptr;
}

}  // namespace

PL_GlContext* pl_egl_context_create(void) {
  if (!g_egl.tried) return choose();
  if (g_egl.display == EGL_NO_DISPLAY) return nullptr;
  const char* why = nullptr;
  PL_GlContext* c = make_context(g_egl, &why);
  if (!c) g_egl.error = std::string(g_egl.device) + ": " + why;
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

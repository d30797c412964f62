// The driver registry, the current driver, mode and perspective, frame control, the texture
// layer, the queue stamp, and the thin forwarders to the current driver's slots.
#include "gfx/gfx_driver.h"

#include <array>

#include "base/kr_error.h"
#include "base/kr_timer.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_polygon.h"

namespace {

constexpr int kRegistrySize = 16;
constexpr int kOpenGlIndex = 3;

GFX_Driver* g_registry[kRegistrySize];
int g_registryInitialised = 0;
GFX_Driver* g_current = nullptr;
int g_textureLayer = 0;
float g_frameTime = 0.0f;
int g_frameCount = 0;
int g_queueStamp = 0;
std::array<GFX_FrameObserver, 4> g_observers{};

void registry_initialise() {
  for (GFX_Driver*& d : g_registry) d = nullptr;
  g_registry[kOpenGlIndex] = &GFX_oglDriver;
  g_registryInitialised = 1;
}

// Calls a slot of the current driver; without a driver (or with an empty slot) the caller made
// a mistake, which is reported instead of followed into a null pointer.
template <typename Slot, typename... Args>
int forward(const char* function, Slot GFX_Driver::*slot, Args... args) {
  if (!g_current || !(g_current->*slot)) {
    KR_Error("%s - no driver", function);
    return 0;
  }
  return (g_current->*slot)(args...);
}

}  // namespace

int GFX_DriverValid(int index) {
  if (index < 0 || index >= kRegistrySize) return 0;
  if (!g_registryInitialised) registry_initialise();
  return g_registry[index] != nullptr;
}

GFX_Driver* GFX_DriverGet(int index) { return GFX_DriverValid(index) ? g_registry[index] : nullptr; }

GFX_Driver* GFX_DriverCurrent(void) { return g_current; }

int GFX_DriverSelect(GFX_Driver* driver, HWND window) {
  if (g_current) return 0;
  if (!driver || !driver->attach) {
    KR_Error("GFX_DriverSelect - no driver");
    return 0;
  }
  if (!driver->attach(window)) return 0;
  g_frameCount = 0;
  g_queueStamp = 0;
  g_current = driver;
  return 1;
}

int GFX_SetMode(int width, int height, int colourBits, int depthBits, int stencilBits, int reserved) {
  if (!g_current) {
    KR_Error("GFX_SetMode - no driver");
    return 0;
  }
  g_current->width = width;
  g_current->height = height;
  return g_current->set_mode(width, height, colourBits, depthBits, stencilBits, reserved);
}

int GFX_SetPerspective(float fov, float nearPlane, float farPlane) {
  if (!g_current) {
    KR_Error("GFX_SetPerspective - no driver");
    return 0;
  }
  GFX_FrustumCompute(g_current->frustum, fov, nearPlane, farPlane, g_current->width, g_current->height);
  return g_current->perspective(fov, nearPlane, farPlane);
}

KR_Plane* GFX_GetFrustum(void) { return g_current ? g_current->frustum : nullptr; }

void GFX_BeginFrame(void) {
  g_frameTime = KR_TimerGetSeconds();
  forward("GFX_BeginFrame", &GFX_Driver::begin_frame);
}

float GFX_FrameTime(void) { return g_frameTime; }

int GFX_EndFrame(void) {
  g_frameCount++;
  int result = forward("GFX_EndFrame", &GFX_Driver::end_frame, g_current);
  for (GFX_FrameObserver observer : g_observers)
    if (observer) observer();
  return result;
}

int GFX_FrameObserverAdd(GFX_FrameObserver observer) {
  if (!observer) return 0;
  for (GFX_FrameObserver o : g_observers)
    if (o == observer) return 1;
  for (GFX_FrameObserver& o : g_observers)
    if (!o) {
      o = observer;
      return 1;
    }
  KR_Error("GFX_FrameObserverAdd - no room");
  return 0;
}

int GFX_FrameObserverRemove(GFX_FrameObserver observer) {
  for (std::size_t i = 0; i < g_observers.size(); i++)
    if (g_observers[i] == observer) {
      // Keep the others in the order they were added.
      for (std::size_t j = i; j + 1 < g_observers.size(); j++) g_observers[j] = g_observers[j + 1];
      g_observers.back() = nullptr;
      return 1;
    }
  return 0;
}

int GFX_FrameCount(void) { return g_frameCount; }

int GFX_Enable(int code) { return forward("GFX_Enable", &GFX_Driver::enable, code); }
int GFX_Disable(int code) { return forward("GFX_Disable", &GFX_Driver::disable, code); }
int GFX_Set(int target, int kind, const void* params) {
  return forward("GFX_Set", &GFX_Driver::set, target, kind, params);
}
int GFX_ClearStencil(int value) { return forward("GFX_ClearStencil", &GFX_Driver::clear_stencil, value); }
int GFX_DrawPolygon(KR_MeshPoly* poly) { return forward("GFX_DrawPolygon", &GFX_Driver::draw_poly, poly); }
int GFX_DrawPolygonLightmapped(KR_MeshPoly* poly) {
  return forward("GFX_DrawPolygonLightmapped", &GFX_Driver::draw_poly_lm, poly);
}
int GFX_BeginQuads(void) { return forward("GFX_BeginQuads", &GFX_Driver::begin_quads); }
int GFX_QuadVertices(KR_MeshPoly* poly) { return forward("GFX_QuadVertices", &GFX_Driver::quad_vertices, poly); }
int GFX_EndQuads(void) { return forward("GFX_EndQuads", &GFX_Driver::end_prim); }
int GFX_DrawLine(const KR_Vector* p1, const KR_Vector* p2, const float* colour1, const float* colour2) {
  return forward("GFX_DrawLine", &GFX_Driver::draw_line, p1, p2, colour1, colour2);
}
int GFX_DrawPoint(const KR_Vector* p, const float* colour) {
  return forward("GFX_DrawPoint", &GFX_Driver::draw_point, p, colour);
}

int GFX_SetTextureLayer(int layer) {
  if (layer != 0 && layer != 1) return 0;
  g_textureLayer = layer;
  return 1;
}

int GFX_TextureLayer(void) { return g_textureLayer; }

GFX_Material* GFX_PolyLayerMaterial(const KR_MeshPoly* poly, int layer) {
  return layer ? poly->lightmap : poly->material;
}

int GFX_QueueStamp(void) { return g_queueStamp; }

int GFX_QueueStampAdvance(void) { return ++g_queueStamp; }

// The view frustum of a perspective and the outside tests of polygons and bounding boxes
// against the current driver's frustum.
#include <cmath>

#include "gfx/gfx_driver.h"
#include "gfx/gfx_polygon.h"

namespace {
constexpr float kPi = 3.1415927f;
constexpr int kAllPlanes = 0x3F;
}  // namespace

int GFX_FrustumCompute(KR_Plane planes[6], float fov, float nearPlane, float farPlane, int width, int height) {
  // The vertical half-angle is scaled from the horizontal one by the aspect ratio (not through
  // tangents), matching the projection the driver loads. A mode not set yet counts as square.
  float f2 = width > 0 ? fov * float(height) / float(width) : fov;
  float h = (fov / 2.0f) * kPi / 180.0f;
  float v = (f2 / 2.0f) * kPi / 180.0f;
  float ch = std::cos(h), sh = std::sin(h), cv = std::cos(v), sv = std::sin(v);
  planes[0] = KR_Plane{ch, 0.0f, sh, 0.0f};
  planes[1] = KR_Plane{-ch, 0.0f, sh, 0.0f};
  planes[2] = KR_Plane{0.0f, cv, sv, 0.0f};
  planes[3] = KR_Plane{0.0f, -cv, sv, 0.0f};
  planes[4] = KR_Plane{0.0f, 0.0f, 1.0f, nearPlane};
  planes[5] = KR_Plane{0.0f, 0.0f, -1.0f, -farPlane};
  return 1;
}

int GFX_PointOutsideMask(const KR_Vector* p) {
  const KR_Plane* planes = GFX_GetFrustum();
  if (!planes) return 0;
  int mask = 0;
  for (int j = 0; j < 6; j++)
    if (!KR_PlaneIsFront(p, &planes[j])) mask |= 1 << j;
  return mask;
}

int GFX_PolygonOutsideFrustum(const KR_MeshPoly* poly) {
  int all = kAllPlanes;
  int n = poly->cornerCount < 4 ? poly->cornerCount : 4;
  for (int i = 0; i < n; i++) all &= GFX_PointOutsideMask(&poly->corners[i].vertex->tposition);
  // No corners leaves every bit set: such a polygon counts as outside.
  return all != 0;
}

int GFX_BoxOutsideFrustum(const KR_Vector box[8], int* outMask) {
  int all = kAllPlanes, any = 0;
  for (int i = 0; i < 8; i++) {
    int mask = GFX_PointOutsideMask(&box[i]);
    all &= mask;
    any |= mask;
  }
  if (outMask) *outMask = any;
  return all != 0;
}

GFX_Rect GFX_AspectRect(int width, int height, int stretch) {
  if (stretch || width <= 0 || height <= 0) return GFX_Rect{0, 0, width, height};
  // Wide arithmetic: 4 * height may not fit for absurd sizes.
  const long long w = width, h = height;
  if (w * 3 > h * 4) {
    const int vw = int(h * 4 / 3);
    return GFX_Rect{(width - vw) / 2, 0, vw, height};
  }
  const int vh = int(w * 3 / 4);
  return GFX_Rect{0, (height - vh) / 2, width, vh};
}

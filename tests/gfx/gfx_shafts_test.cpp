// The light-shaft cross: box placement, shading and edges, the shadow volumes, the slices and
// their clipping (nothing drawn inside a volume, everything outside drawn once, overflow falls
// back to the whole slice), and rendered frames: the picture on the boxes, the dark wedge of
// the shadow among the shafts, and the bound texture's wrap modes left as they were.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "gfx/gfx_driver.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_shafts.h"
#include "tests/gfx/screen_checks.h"

namespace {

constexpr float kNaN = NAN;

KR_Vector Sub(const KR_Vector& a, const KR_Vector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
KR_Vector Cross(const KR_Vector& a, const KR_Vector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(const KR_Vector& a, const KR_Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

bool InsideVolume(const GFX_ShaftsVolume& v, const KR_Vector& p, float margin) {
  if (v.count == 0) return false;
  for (int i = 0; i < v.count; i++)
    if (!(v.planes[i].nx * p.x + v.planes[i].ny * p.y + v.planes[i].nz * p.z - v.planes[i].d > margin)) return false;
  return true;
}

// Point p of the slice's plane within the convex fan f (normal n of the plane).
bool InFan(const GFX_ShaftsSlice& s, int f, const KR_Vector& p, const KR_Vector& n) {
  int sign = 0;
  for (int i = 0; i < s.fanSize[f]; i++) {
    const KR_Vector& a = s.corners[s.fanStart[f] + i]->pos;
    const KR_Vector& b = s.corners[s.fanStart[f] + (i + 1) % s.fanSize[f]]->pos;
    const float c = Dot(Cross(Sub(b, a), Sub(p, a)), n);
    const int sg = c > 0 ? 1 : c < 0 ? -1 : 0;
    if (sg != 0 && sign != 0 && sg != sign) return false;
    if (sg != 0) sign = sg;
  }
  return true;
}

std::unique_ptr<GFX_ShaftsFrame> Frame(float angle) {
  auto f = std::make_unique<GFX_ShaftsFrame>();
  f->built = 0;
  f->rect = {0.0f, 0.625f, 0.0f, 0.46875f};
  GFX_ShaftsFrameBuild(f.get(), angle);
  return f;
}

TEST(ShaftsGeometry, BoxOneAtAngleZeroSpansTheCross) {
  auto f = Frame(0.0f);
  KR_Vector lo = f->boxes[0].corners[0], hi = lo;
  for (const KR_Vector& c : f->boxes[0].corners) {
    lo = {std::fmin(lo.x, c.x), std::fmin(lo.y, c.y), std::fmin(lo.z, c.z)};
    hi = {std::fmax(hi.x, c.x), std::fmax(hi.y, c.y), std::fmax(hi.z, c.z)};
  }
  EXPECT_FLOAT_EQ(lo.x, -600.0f);
  EXPECT_FLOAT_EQ(hi.x, 600.0f);
  EXPECT_FLOAT_EQ(lo.y, -100.0f);
  EXPECT_FLOAT_EQ(hi.y, 100.0f);
  EXPECT_FLOAT_EQ(lo.z, 700.0f);
  EXPECT_FLOAT_EQ(hi.z, 900.0f);
}

TEST(ShaftsGeometry, CubeHasEighteenEdgesEachSharedByTwoTriangles) {
  GFX_ShaftsBox box;
  GFX_ShaftsBoxBuild(&box, 1, 1, 1);
  ASSERT_EQ(box.edgeCount, 18);
  int uses[18] = {};
  for (const GFX_ShaftsTriangle& t : box.triangles)
    for (int e : t.edge) uses[e]++;
  for (int u : uses) EXPECT_EQ(u, 2);
}

TEST(ShaftsGeometry, ShadeByFacing) {
  const struct {
    KR_Vector n;
    float shade;
  } cases[] = {{{0, 0, -1}, 1.0f}, {{1, 0, 0}, 0.0f}, {{0, 0, 1}, 0.0f}, {{kNaN, 0, 0}, 0.0f}};
  const KR_Vector onAxis = {0, 0, 500};
  for (const auto& c : cases) EXPECT_FLOAT_EQ(GFX_ShaftsShade(&onAxis, &c.n), c.shade);
}

TEST(ShaftsGeometry, VolumeHoldsTheShadowAndAtMostCapsPlusSilhouette) {
  for (float angle : {0.0f, 0.4f, 1.3f, 2.9f, 5.0f}) {
    auto f = Frame(angle);
    for (const GFX_ShaftsVolume& v : f->volumes) {
      EXPECT_GT(v.count, 0);
      EXPECT_LE(v.count, 6 + 18);
    }
    // The cross's centre, and a point straight behind it seen from the eye, are shadowed; a
    // point between the eye and the cross, and one far off to the side, are not.
    for (const GFX_ShaftsVolume& v : f->volumes) {
      EXPECT_TRUE(InsideVolume(v, {0, 0, 800}, 0.0f)) << angle;
      EXPECT_TRUE(InsideVolume(v, {0, 0, 2500}, 0.0f)) << angle;
      EXPECT_FALSE(InsideVolume(v, {0, 0, 300}, 0.0f)) << angle;
      EXPECT_FALSE(InsideVolume(v, {2000, 2000, 1500}, 0.0f)) << angle;
    }
  }
}

TEST(ShaftsGeometry, FirstVerticalSliceLiesInItsPlaneThroughTheEye) {
  auto s = std::make_unique<GFX_ShaftsSlice>();
  const GFX_ShaftsRect rect = {0, 0.625f, 0, 0.46875f};
  KR_Vector a, b;
  float ta[3], tb[3];
  GFX_ShaftsSliceEdge(0, &rect, &a, &b, ta, tb);
  GFX_ShaftsSliceMake(s.get(), &a, &b, ta, tb);
  for (const GFX_ShaftsVertex& v : s->quad) EXPECT_NEAR(v.pos.x, -320.0f * (v.pos.z + 900.0f) / 900.0f, 0.05f);
  for (int i : {2, 3}) {
    const KR_Vector d = Sub(s->quad[i].pos, GFX_SHAFTS_EYE);
    EXPECT_NEAR(std::sqrt(Dot(d, d)), 4000.0f, 0.05f);
  }
}

TEST(ShaftsGeometry, SliceMissingBothVolumesIsOneQuadFan) {
  // The boxes moved far off to the side cast their shadows away from every slice.
  auto f = Frame(0.0f);
  const float r[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, t[3] = {5000, 0, 800};
  f->planeCount = 0;
  for (int i = 0; i < 2; i++) {
    GFX_ShaftsBoxTransform(&f->boxes[i], r, t);
    GFX_ShaftsBoxVolume(&f->boxes[i], f.get(), &f->volumes[i]);
  }
  auto s = std::make_unique<GFX_ShaftsSlice>();
  for (int i = 0; i < GFX_SHAFTS_SLICES; i++) {
    KR_Vector a, b;
    float ta[3], tb[3];
    GFX_ShaftsSliceEdge(i, &f->rect, &a, &b, ta, tb);
    GFX_ShaftsSliceMake(s.get(), &a, &b, ta, tb);
    ASSERT_EQ(GFX_ShaftsSliceClip(s.get(), f->volumes, 2), 1);
    ASSERT_EQ(s->fanCount, 1) << i;
    EXPECT_EQ(s->fanSize[0], 4);
    EXPECT_EQ(s->poolCount, 0);
  }
}

// Sample points of every slice: a point inside either volume is under no fan, a point outside
// both under exactly one.
TEST(ShaftsGeometry, ClippingDrawsExactlyWhatIsOutsideTheShadow) {
  auto s = std::make_unique<GFX_ShaftsSlice>();
  for (float angle : {0.0f, 0.8f, 2.2f}) {
    auto f = Frame(angle);
    for (int i = 0; i < GFX_SHAFTS_SLICES; i += 3) {
      KR_Vector a, b;
      float ta[3], tb[3];
      GFX_ShaftsSliceEdge(i, &f->rect, &a, &b, ta, tb);
      GFX_ShaftsSliceMake(s.get(), &a, &b, ta, tb);
      ASSERT_EQ(GFX_ShaftsSliceClip(s.get(), f->volumes, 2), 1);
      const KR_Vector* q[4] = {&s->quad[0].pos, &s->quad[1].pos, &s->quad[2].pos, &s->quad[3].pos};
      const KR_Vector n = Cross(Sub(*q[1], *q[0]), Sub(*q[3], *q[0]));
      for (int u = 1; u < 16; u++)
        for (int w = 1; w < 16; w++) {
          // Bilinear over the planar quad A, B, B', A'.
          const float fu = u / 16.0f, fw = w / 16.0f;
          KR_Vector near = {q[0]->x + (q[1]->x - q[0]->x) * fu, q[0]->y + (q[1]->y - q[0]->y) * fu,
                            q[0]->z + (q[1]->z - q[0]->z) * fu};
          KR_Vector far = {q[3]->x + (q[2]->x - q[3]->x) * fu, q[3]->y + (q[2]->y - q[3]->y) * fu,
                           q[3]->z + (q[2]->z - q[3]->z) * fu};
          KR_Vector p = {near.x + (far.x - near.x) * fw, near.y + (far.y - near.y) * fw,
                         near.z + (far.z - near.z) * fw};
          const bool in = InsideVolume(f->volumes[0], p, 0.5f) || InsideVolume(f->volumes[1], p, 0.5f);
          const bool out = !InsideVolume(f->volumes[0], p, -0.5f) && !InsideVolume(f->volumes[1], p, -0.5f);
          if (!in && !out) continue;  // too close to a plane to say
          int covered = 0;
          for (int k = 0; k < s->fanCount; k++) covered += InFan(*s, k, p, n);
          EXPECT_EQ(covered, in ? 0 : 1) << "angle " << angle << " slice " << i << " at " << u << "," << w;
        }
    }
  }
}

TEST(ShaftsGeometry, OverflowingClipDrawsTheWholeSlice) {
  // Two volumes of 200 planes each round a circle in the slice's plane: every plane cuts a
  // cap off what is left, more pieces than the pools hold.
  static KR_Plane planes[2][200];
  for (int v = 0; v < 2; v++)
    for (int i = 0; i < 200; i++) {
      const float a = 6.2831853f * float(i) / 200.0f, r = v ? 300.0f : 250.0f;
      const KR_Vector n = {0, -std::cos(a), -std::sin(a)};
      planes[v][i] = {n.x, n.y, n.z, n.z * 1500.0f - r};
    }
  const GFX_ShaftsVolume volumes[2] = {{planes[1], 200}, {planes[0], 200}};
  auto s = std::make_unique<GFX_ShaftsSlice>();
  KR_Vector a = {0, -240, 0}, b = {0, 240, 0};
  const float t[3] = {0, 0, 1};
  GFX_ShaftsSliceMake(s.get(), &a, &b, t, t);
  EXPECT_EQ(GFX_ShaftsSliceClip(s.get(), volumes, 2), 0);
  ASSERT_EQ(s->fanCount, 1);
  EXPECT_EQ(s->fanSize[0], 4);
  EXPECT_EQ(s->corners[0], &s->quad[0]);
}

// ---- Rendered ----

class ShaftsRender : public vt::GlTest {
 protected:
  KR_Matrix camera{};
  float proj[16] = {};

  void Look(KR_Vector eye, KR_Vector target) {
    // The renderer's z runs opposite to the world's.
    eye.z = -eye.z;
    target.z = -target.z;
    KR_MatLookAt(&camera, &eye, &target, 0.0f);
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
  }
  // Pixel (from the top-left) where a point of the renderer's space lands.
  vt::Rgba At(const KR_Vector& p) {
    float v[16];
    GFX_ShaftsViewMatrix(&camera, v);
    float e[4], c[4];
    for (int j = 0; j < 4; j++) e[j] = p.x * v[j] + p.y * v[4 + j] + p.z * v[8 + j] + v[12 + j];
    for (int j = 0; j < 4; j++) c[j] = e[0] * proj[j] + e[1] * proj[4 + j] + e[2] * proj[8 + j] + e[3] * proj[12 + j];
    const int x = int((c[0] / c[3] + 1.0f) * 0.5f * vt::kGlWidth);
    const int y = int((1.0f - c[1] / c[3]) * 0.5f * vt::kGlHeight);
    return vt::GlPixel(x, y);
  }
};

TEST_F(ShaftsRender, BoxFacesShowThePictureProjectedOntoThem) {
  // Left half red, right half blue; the eye just behind the projection point.
  const vt::Rgb c[4] = {vt::kRed, vt::kBlue, vt::kRed, vt::kBlue};
  GFX_Material* m = vt::QuadrantMaterial(64, 64, 1, c);
  GFX_MaterialUse(m);
  GFX_ShaftsSetRect(0, 1, 0, 1);
  Look({0, 0, -1400}, {0, 0, 0});
  GFX_ShaftsDraw(0.0f, &camera);
  // Box 1's eye-facing ends, outside the picture's own outline.
  const vt::Rgba left = At({-540, 50, 700}), right = At({540, 50, 700});
  EXPECT_GT(left.r, 150);
  EXPECT_LT(left.b, 90);
  EXPECT_GT(right.b, 150);
  EXPECT_LT(right.r, 90);
  GFX_ShaftsSetRect(0, 0.625f, 0, 0.46875f);
  GFX_MaterialDelete(m);
}

TEST_F(ShaftsRender, ShaftsLeaveTheShadowedWedgeDark) {
  GFX_Material* m = vt::GlSolidMaterial(8, 8, 1, 255, 255, 255);
  GFX_MaterialUse(m);
  // From above and behind the projection point, looking down the shafts.
  Look({0, 2500, -200}, {0, 0, 1300});
  GFX_ShaftsDraw(0.0f, &camera);
  const vt::Rgba wedge = At({0, 0, 1200});  // straight behind box 2
  const vt::Rgba lit = At({467, 0, 1200});  // outside box 2's shadow, in the upper shafts
  EXPECT_LT(wedge.g, 12);
  EXPECT_GT(lit.g, wedge.g + 40);
  GFX_MaterialDelete(m);
}

TEST_F(ShaftsRender, BoundTextureKeepsItsWrapModes) {
  GFX_Material* m = vt::GlSolidMaterial(8, 8, 1, 255, 255, 255);
  GFX_MaterialUse(m);
  Look({0, 0, -1400}, {0, 0, 0});
  GFX_ShaftsDraw(1.0f, &camera);
  GLint s = 0, t = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
  EXPECT_EQ(s, GL_REPEAT);
  EXPECT_EQ(t, GL_REPEAT);
  GFX_MaterialDelete(m);
}

}  // namespace

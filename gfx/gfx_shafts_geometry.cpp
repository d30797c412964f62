// Geometry of the light-shaft cross: the two boxes, their shading and projective texture
// coordinates, their shadow volumes, the slices and their clipping into fans. No GL here.
#include <cmath>

#include "gfx/gfx_shafts.h"

namespace {

constexpr KR_Vector kUnitCorners[8] = {{1, 1, 1},   {-1, 1, 1},   {1, -1, 1},   {-1, -1, 1},
                                       {1, 1, -1},  {-1, 1, -1},  {1, -1, -1},  {-1, -1, -1}};
constexpr int kUnitTriangles[12][3] = {{0, 1, 3}, {0, 3, 2}, {7, 4, 6}, {7, 5, 4}, {0, 2, 6}, {0, 6, 4},
                                       {5, 7, 3}, {5, 3, 1}, {0, 5, 1}, {0, 4, 5}, {6, 3, 7}, {6, 2, 3}};
constexpr float kNearAlpha = 1.0f / 15.0f;

KR_Vector sub(const KR_Vector& a, const KR_Vector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
KR_Vector cross(const KR_Vector& a, const KR_Vector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dot(const KR_Vector& a, const KR_Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
// A zero or non-finite vector stays non-finite; every caller tolerates that.
KR_Vector normalise(const KR_Vector& a) {
  const float l = std::sqrt(dot(a, a));
  return {a.x / l, a.y / l, a.z / l};
}

int add_plane(GFX_ShaftsFrame* frame, const KR_Vector& n, const KR_Vector& point) {
  if (frame->planeCount >= GFX_SHAFTS_POOL_PLANES) return 0;
  frame->planes[frame->planeCount++] = {n.x, n.y, n.z, dot(n, point)};
  return 1;
}

struct Poly {
  const GFX_ShaftsVertex* c[GFX_SHAFTS_POLY_CORNERS];
  int n;
};

bool push(Poly& p, const GFX_ShaftsVertex* v) {
  if (p.n >= GFX_SHAFTS_POLY_CORNERS) return false;
  p.c[p.n++] = v;
  return true;
}

float side(const KR_Plane& p, const KR_Vector& v) { return p.nx * v.x + p.ny * v.y + p.nz * v.z - p.d; }

// Splits by the plane; a corner is in front when n . p - d > 0 (NaN counts as behind). False
// when the pool or a part would overflow.
bool split(GFX_ShaftsSlice* s, const Poly& in, const KR_Plane& pl, Poly& front, Poly& back) {
  front.n = back.n = 0;
  if (in.n == 0) return true;
  const GFX_ShaftsVertex* prev = in.c[in.n - 1];
  float prevSide = side(pl, prev->pos);
  for (int i = 0; i < in.n; i++) {
    const GFX_ShaftsVertex* cur = in.c[i];
    const float curSide = side(pl, cur->pos);
    const bool curFront = curSide > 0.0f;
    if ((prevSide > 0.0f) != curFront) {
      if (s->poolCount >= GFX_SHAFTS_POOL_VERTICES) return false;
      GFX_ShaftsVertex* v = &s->pool[s->poolCount++];
      // Written as (d - n.cur) / (n.prev - n.cur) with the plane distance folded in.
      const float w = -curSide / (prevSide - curSide);
      v->pos = {cur->pos.x + (prev->pos.x - cur->pos.x) * w, cur->pos.y + (prev->pos.y - cur->pos.y) * w,
                cur->pos.z + (prev->pos.z - cur->pos.z) * w};
      for (int k = 0; k < 3; k++) v->tex[k] = cur->tex[k] + (prev->tex[k] - cur->tex[k]) * w;
      for (int k = 0; k < 4; k++) v->colour[k] = cur->colour[k] + (prev->colour[k] - cur->colour[k]) * w;
      if (!push(front, v) || !push(back, v)) return false;
    }
    if (!push(curFront ? front : back, cur)) return false;
    prev = cur;
    prevSide = curSide;
  }
  return true;
}

bool emit(GFX_ShaftsSlice* s, const Poly& p) {
  if (p.n < 3) return true;  // a sliver of a degenerate split covers nothing
  if (s->fanCount >= GFX_SHAFTS_MAX_FANS || s->cornerCount + p.n > GFX_SHAFTS_FAN_CORNERS) return false;
  s->fanStart[s->fanCount] = s->cornerCount;
  s->fanSize[s->fanCount++] = p.n;
  for (int i = 0; i < p.n; i++) s->corners[s->cornerCount++] = p.c[i];
  return true;
}

// What lies outside volume k - 1 is drawn after clipping against the volumes before it; what
// lies inside every one of its planes is in its shadow and dropped.
bool clip(GFX_ShaftsSlice* s, const Poly& poly, const GFX_ShaftsVolume* volumes, int k) {
  if (k == 0 || volumes[k - 1].count <= 0) return emit(s, poly);
  const GFX_ShaftsVolume& vol = volumes[k - 1];
  // Wholly behind one of the planes: the polygon misses this volume and goes on uncut.
  for (int i = 0; i < vol.count; i++) {
    int front = 0;
    for (int c = 0; c < poly.n && !front; c++) front = side(vol.planes[i], poly.c[c]->pos) > 0.0f;
    if (!front) return clip(s, poly, volumes, k - 1);
  }
  // Three buffers in rotation: the current polygon, its front part and its back part.
  Poly parts[3];
  int ci = 0;
  parts[0] = poly;
  for (int i = vol.count - 1; i >= 0; i--) {
    const int fi = (ci + 1) % 3, bi = (ci + 2) % 3;
    if (!split(s, parts[ci], vol.planes[i], parts[fi], parts[bi])) return false;
    if (parts[bi].n > 0 && !clip(s, parts[bi], volumes, k - 1)) return false;
    if (parts[fi].n == 0) return true;
    ci = fi;
  }
  return true;
}

}  // namespace

void GFX_ShaftsBoxBuild(GFX_ShaftsBox* box, float sx, float sy, float sz) {
  box->cornerCount = 8;
  for (int i = 0; i < 9; i++) box->rotation[i] = (i % 4 == 0) ? 1.0f : 0.0f;
  for (float& t : box->translation) t = 0.0f;
  for (int i = 0; i < 8; i++) {
    box->scaled[i] = {kUnitCorners[i].x * sx, kUnitCorners[i].y * sy, kUnitCorners[i].z * sz};
    box->corners[i] = box->scaled[i];
  }
  box->edgeCount = 0;
  for (int t = 0; t < 12; t++) {
    GFX_ShaftsTriangle& tri = box->triangles[t];
    for (int k = 0; k < 3; k++) {
      tri.corner[k] = kUnitTriangles[t][k];
      for (float& c : tri.colour[k]) c = 1.0f;
      tri.tex[k][0] = tri.tex[k][1] = 0.5f;
      tri.tex[k][2] = 1.0f;
    }
    // A side shared with an earlier triangle runs the other way there; reuse that edge.
    for (int k = 0; k < 3; k++) {
      const int a = tri.corner[k], b = tri.corner[(k + 1) % 3];
      int found = -1;
      for (int e = 0; e < box->edgeCount; e++)
        if (box->edges[e].a == b && box->edges[e].b == a) found = e;
      if (found < 0 && box->edgeCount < 18) {
        found = box->edgeCount++;
        box->edges[found] = {a, b, 2, 0};
      }
      tri.edge[k] = found < 0 ? 0 : found;
    }
  }
}

void GFX_ShaftsRotation(float angle, float r[9]) {
  const float c = std::cos(angle), s = std::sin(angle);
  const float z[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
  const float y[9] = {c, 0, -s, 0, 1, 0, s, 0, c};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) r[i * 3 + j] = z[i * 3] * y[j] + z[i * 3 + 1] * y[3 + j] + z[i * 3 + 2] * y[6 + j];
}

void GFX_ShaftsBoxTransform(GFX_ShaftsBox* box, const float r[9], const float t[3]) {
  for (int i = 0; i < 9; i++) box->rotation[i] = r[i];
  for (int i = 0; i < 3; i++) box->translation[i] = t[i];
  for (int i = 0; i < box->cornerCount; i++) {
    const KR_Vector& p = box->scaled[i];
    box->corners[i] = {p.x * r[0] + p.y * r[3] + p.z * r[6] + t[0], p.x * r[1] + p.y * r[4] + p.z * r[7] + t[1],
                       p.x * r[2] + p.y * r[5] + p.z * r[8] + t[2]};
  }
}

float GFX_ShaftsShade(const KR_Vector* p, const KR_Vector* n) {
  const float f = dot(normalise(sub(GFX_SHAFTS_EYE, *p)), *n);
  return f > 0.0f ? f : 0.0f;  // also 0 for NaN
}

void GFX_ShaftsBoxShade(GFX_ShaftsBox* box, const GFX_ShaftsRect* rect) {
  const KR_Vector& e = GFX_SHAFTS_EYE;
  for (GFX_ShaftsTriangle& tri : box->triangles) {
    const KR_Vector& c0 = box->corners[tri.corner[0]];
    const KR_Vector n = normalise(cross(sub(box->corners[tri.corner[1]], c0), sub(box->corners[tri.corner[2]], c0)));
    for (int k = 0; k < 3; k++) {
      const KR_Vector& p = box->corners[tri.corner[k]];
      const float f = GFX_ShaftsShade(&p, &n);
      tri.colour[k][0] = tri.colour[k][1] = tri.colour[k][2] = f;
      tri.colour[k][3] = 1.0f;
      // Where the line from the eye through p meets the picture plane z = 0.
      const float w = -p.z / (e.z - p.z);
      const float x = e.x + (p.x - e.x) * (1.0f - w), y = e.y + (p.y - e.y) * (1.0f - w);
      const float q = std::fabs(e.z) + std::fabs(p.z);
      // The rectangle mapping goes inside the q factor, so that it survives the projective
      // divide for any u0 and v0, not only 0.
      tri.tex[k][0] = (rect->u0 + (rect->u1 - rect->u0) * (x / 640.0f + 0.5f)) * q;
      tri.tex[k][1] = (rect->v0 + (rect->v1 - rect->v0) * (y / -480.0f + 0.5f)) * q;
      tri.tex[k][2] = q;
    }
  }
}

int GFX_ShaftsBoxVolume(GFX_ShaftsBox* box, GFX_ShaftsFrame* frame, GFX_ShaftsVolume* volume) {
  const KR_Vector& e = GFX_SHAFTS_EYE;
  const int start = frame->planeCount;
  volume->planes = frame->planes + start;
  volume->count = 0;
  for (int i = 0; i < box->edgeCount; i++) box->edges[i].counter = 2;
  int ok = 1;
  for (int t = 0; t < 12; t++) {
    GFX_ShaftsTriangle& tri = box->triangles[t];
    const KR_Vector& a = box->corners[tri.corner[0]];
    const KR_Vector& b = box->corners[tri.corner[1]];
    const KR_Vector& c = box->corners[tri.corner[2]];
    // m is the inward normal: negative towards the eye means the triangle faces the eye, and
    // its plane caps the volume behind it. NaN counts as facing.
    const KR_Vector m = cross(sub(c, a), sub(b, a));
    if (!(dot(m, sub(e, a)) >= 0.0f)) {
      for (int k = 0; k < 3; k++) {
        GFX_ShaftsEdge& edge = box->edges[tri.edge[k]];
        edge.counter--;
        edge.flag = edge.a == tri.corner[k] ? 1 : 0;
      }
      if (t % 2 == 0) ok &= add_plane(frame, normalise(m), a);
    }
  }
  // An edge with one eye-facing triangle is on the silhouette: its plane through the eye.
  for (int i = 0; i < box->edgeCount; i++) {
    const GFX_ShaftsEdge& edge = box->edges[i];
    if (edge.counter != 1) continue;
    const KR_Vector& a = box->corners[edge.a];
    KR_Vector n = normalise(cross(sub(box->corners[edge.b], a), sub(e, a)));
    if (edge.flag) n = {-n.x, -n.y, -n.z};
    ok &= add_plane(frame, n, a);
  }
  if (!ok) {
    // A partial list would shadow too much; without one the box casts no shadow at all.
    frame->planeCount = start;
    return 0;
  }
  volume->count = frame->planeCount - start;
  return 1;
}

void GFX_ShaftsFrameBuild(GFX_ShaftsFrame* frame, float angle) {
  if (!frame->built) {
    GFX_ShaftsBoxBuild(&frame->boxes[0], 600.0f, 100.0f, 100.0f);
    GFX_ShaftsBoxBuild(&frame->boxes[1], 100.0f, 600.0f, 100.0f);
    frame->built = 1;
  }
  float r[9];
  GFX_ShaftsRotation(angle, r);
  const float t[3] = {0.0f, 0.0f, 800.0f};
  frame->planeCount = 0;
  for (int i = 0; i < 2; i++) {
    GFX_ShaftsBoxTransform(&frame->boxes[i], r, t);
    GFX_ShaftsBoxShade(&frame->boxes[i], &frame->rect);
    GFX_ShaftsBoxVolume(&frame->boxes[i], frame, &frame->volumes[i]);
  }
}

void GFX_ShaftsSliceEdge(int i, const GFX_ShaftsRect* rect, KR_Vector* a, KR_Vector* b, float ta[3], float tb[3]) {
  ta[2] = tb[2] = 1.0f;
  if (i < 31) {
    // Vertical: bottom and top of the picture at x = -320 + i * 640 / 30.
    const float x = -320.0f + float(i) * (640.0f / 30.0f);
    *a = {x, -240.0f, 0.0f};
    *b = {x, 240.0f, 0.0f};
    const float s = rect->u0 + float(i) * ((rect->u1 - rect->u0) / 30.0f);
    ta[0] = tb[0] = s;
    ta[1] = rect->v1;
    tb[1] = rect->v0;
  } else {
    const int j = i - 31;
    const float y = -240.0f + float(j) * (480.0f / 30.0f);
    *a = {-320.0f, y, 0.0f};
    *b = {320.0f, y, 0.0f};
    const float t = rect->v1 + float(j) * ((rect->v0 - rect->v1) / 30.0f);
    ta[0] = rect->u0;
    tb[0] = rect->u1;
    ta[1] = tb[1] = t;
  }
}

void GFX_ShaftsSliceMake(GFX_ShaftsSlice* slice, const KR_Vector* a, const KR_Vector* b, const float ta[3],
                         const float tb[3]) {
  const KR_Vector& e = GFX_SHAFTS_EYE;
  const KR_Vector da = normalise(sub(*a, e)), db = normalise(sub(*b, e));
  const float len = GFX_SHAFTS_LENGTH;
  const KR_Vector fa = {e.x + da.x * len, e.y + da.y * len, e.z + da.z * len};
  const KR_Vector fb = {e.x + db.x * len, e.y + db.y * len, e.z + db.z * len};
  const KR_Vector pos[4] = {*a, *b, fb, fa};
  const float* tex[4] = {ta, tb, tb, ta};
  // q grows with the distance from the eye's plane, so the picture stays put along each ray.
  const float g = -e.z, ha = fa.z + g, hb = fb.z + g;
  const float h = ha > hb ? ha : hb;
  const float q[4] = {g / h, g / h, hb / h, ha / h};
  for (int i = 0; i < 4; i++) {
    GFX_ShaftsVertex& v = slice->quad[i];
    v.pos = pos[i];
    v.tex[0] = tex[i][0] * q[i];
    v.tex[1] = tex[i][1] * q[i];
    v.tex[2] = q[i];
    v.colour[0] = v.colour[1] = v.colour[2] = 1.0f;
    v.colour[3] = i < 2 ? kNearAlpha : 0.0f;
  }
  slice->poolCount = slice->cornerCount = slice->fanCount = 0;
}

int GFX_ShaftsSliceClip(GFX_ShaftsSlice* slice, const GFX_ShaftsVolume* volumes, int volumeCount) {
  slice->poolCount = slice->cornerCount = slice->fanCount = 0;
  Poly quad;
  quad.n = 0;
  for (const GFX_ShaftsVertex& v : slice->quad) push(quad, &v);
  if (clip(slice, quad, volumes, volumeCount < 0 ? 0 : volumeCount)) return 1;
  // Out of room: the slice is drawn as it stands rather than half clipped.
  slice->poolCount = slice->cornerCount = slice->fanCount = 0;
  emit(slice, quad);
  return 0;
}

void GFX_ShaftsViewMatrix(const KR_Matrix* camera, float out[16]) {
  for (int i = 0; i < 16; i++) out[i] = camera->m[i];
  constexpr int kNegated[5] = {2, 6, 8, 9, 14};
  for (int i : kNegated) out[i] = -out[i];
}

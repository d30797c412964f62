// Vector, matrix and plane math. Everything works on caller storage and allocates nothing.
#include "base/kr_math.h"

#include <cmath>

KR_Vector* KR_VecZero(KR_Vector* v) {
  v->x = v->y = v->z = 0.0f;
  return v;
}

KR_Vector* KR_VecSet(KR_Vector* v, float x, float y, float z) {
  v->x = x;
  v->y = y;
  v->z = z;
  return v;
}

KR_Vector* KR_VecAdd(KR_Vector* d, const KR_Vector* a, const KR_Vector* b) {
  return KR_VecSet(d, a->x + b->x, a->y + b->y, a->z + b->z);
}

KR_Vector* KR_VecSub(KR_Vector* d, const KR_Vector* a, const KR_Vector* b) {
  return KR_VecSet(d, a->x - b->x, a->y - b->y, a->z - b->z);
}

KR_Vector* KR_VecScale(KR_Vector* d, const KR_Vector* a, float s) {
  return KR_VecSet(d, a->x * s, a->y * s, a->z * s);
}

KR_Vector* KR_VecCross(KR_Vector* d, const KR_Vector* a, const KR_Vector* b) {
  d->x = a->y * b->z - a->z * b->y;
  d->y = a->z * b->x - a->x * b->z;
  d->z = a->x * b->y - a->y * b->x;
  return d;
}

float KR_VecDot(const KR_Vector* a, const KR_Vector* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }

float KR_VecLengthSq(const KR_Vector* a) { return KR_VecDot(a, a); }

float KR_VecLength(const KR_Vector* a) {
  float sq = KR_VecDot(a, a);
  return sq > 0.0f ? std::sqrt(sq) : 0.0f;
}

KR_Vector* KR_VecNormalise(KR_Vector* d, const KR_Vector* a) { return KR_VecScale(d, a, 1.0f / KR_VecLength(a)); }

KR_Vector* KR_VecSetLength(KR_Vector* d, const KR_Vector* a, float len) {
  return KR_VecScale(d, a, len / KR_VecLength(a));
}

KR_Vector* KR_VecLerp(KR_Vector* d, const KR_Vector* a, const KR_Vector* b, float t) {
  return KR_VecSet(d, (b->x - a->x) * t + a->x, (b->y - a->y) * t + a->y, (b->z - a->z) * t + a->z);
}

KR_Vector* KR_VecTransform(KR_Vector* d, const KR_Vector* p, const KR_Matrix* m) {
  const float* e = m->m;
  float x = p->x, y = p->y, z = p->z;  // d may be p
  return KR_VecSet(d, x * e[0] + y * e[4] + z * e[8] + e[12], x * e[1] + y * e[5] + z * e[9] + e[13],
                   x * e[2] + y * e[6] + z * e[10] + e[14]);
}

KR_Vector* KR_VecRotate(KR_Vector* d, const KR_Vector* v, const KR_Matrix* m) {
  const float* e = m->m;
  float x = v->x, y = v->y, z = v->z;
  return KR_VecSet(d, x * e[0] + y * e[4] + z * e[8], x * e[1] + y * e[5] + z * e[9], x * e[2] + y * e[6] + z * e[10]);
}

KR_Matrix* KR_MatIdentity(KR_Matrix* m) {
  for (int i = 0; i < 16; i++) m->m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
  return m;
}

KR_Matrix* KR_MatScale(KR_Matrix* m, float sx, float sy, float sz) {
  KR_MatIdentity(m);
  m->m[0] = sx;
  m->m[5] = sy;
  m->m[10] = sz;
  return m;
}

KR_Matrix* KR_MatFromEuler(KR_Matrix* m, float a, float b, float c) {
  float ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b), cc = std::cos(c), sc = std::sin(c);
  KR_MatIdentity(m);
  float* e = m->m;
  e[0] = cb * cc + sb * sa * sc;
  e[1] = ca * sc;
  e[2] = -cc * sb + cb * sa * sc;
  e[4] = -cb * sc + cc * sb * sa;
  e[5] = ca * cc;
  e[6] = sb * sc + cb * cc * sa;
  e[8] = ca * sb;
  e[9] = -sa;
  e[10] = cb * ca;
  return m;
}

KR_Matrix* KR_MatRotateAxis(KR_Matrix* m, float angle, int axis) {
  float c = std::cos(angle), s = std::sin(angle);
  KR_MatIdentity(m);
  float* e = m->m;
  switch (axis) {
    case 1: e[5] = c; e[6] = s; e[9] = -s; e[10] = c; break;
    case 2: e[0] = c; e[2] = -s; e[8] = s; e[10] = c; break;
    case 3: e[0] = c; e[1] = s; e[4] = -s; e[5] = c; break;
    default: break;
  }
  return m;
}

KR_Matrix* KR_MatMultiply(KR_Matrix* d, const KR_Matrix* a, const KR_Matrix* b) {
  float t[16];
  for (int r = 0; r < 4; r++)
    for (int c = 0; c < 4; c++) {
      double s = 0.0;
      for (int k = 0; k < 4; k++) s += double(a->m[4 * r + k]) * double(b->m[4 * k + c]);
      t[4 * r + c] = float(s);
    }
  for (int i = 0; i < 16; i++) d->m[i] = t[i];
  return d;
}

KR_Matrix* KR_MatInvertRigid(KR_Matrix* d, const KR_Matrix* m) {
  KR_Matrix t;
  KR_MatIdentity(&t);
  for (int r = 0; r < 3; r++)
    for (int c = 0; c < 3; c++) t.m[4 * r + c] = m->m[4 * c + r];
  KR_Vector pos{m->m[12], m->m[13], m->m[14]};
  KR_Vector rotated;
  KR_VecTransform(&rotated, &pos, &t);
  t.m[12] = -rotated.x;
  t.m[13] = -rotated.y;
  t.m[14] = -rotated.z;
  *d = t;
  return d;
}

KR_Matrix* KR_MatFrom3x3(KR_Matrix* m, const float* r) {
  for (int row = 0; row < 3; row++)
    for (int c = 0; c < 3; c++) m->m[4 * row + c] = r[3 * row + c];
  return m;
}

KR_Matrix* KR_MatNormaliseRows(KR_Matrix* d, const KR_Matrix* m) {
  *d = *m;
  for (int row = 0; row < 3; row++) {
    KR_Vector v{d->m[4 * row], d->m[4 * row + 1], d->m[4 * row + 2]};
    KR_VecNormalise(&v, &v);
    d->m[4 * row] = v.x;
    d->m[4 * row + 1] = v.y;
    d->m[4 * row + 2] = v.z;
  }
  return d;
}

KR_Matrix* KR_MatLookAt(KR_Matrix* m, const KR_Vector* eye, const KR_Vector* target, float roll) {
  KR_Vector d, up, r, u;
  KR_VecSub(&d, target, eye);
  KR_VecNormalise(&d, &d);
  // Looking straight along Y the usual up vector is parallel to the view; take one across it.
  if (std::fabs(d.x) >= 1e-7f || std::fabs(d.z) >= 1e-7f) KR_VecSet(&up, 0.0f, 1.0f, 0.0f);
  else KR_VecSet(&up, -d.y, 0.0f, 0.0f);
  KR_VecNormalise(&up, &up);
  KR_VecCross(&r, &up, &d);
  KR_VecNormalise(&r, &r);
  KR_VecCross(&u, &d, &r);
  KR_VecNormalise(&u, &u);

  KR_Matrix t, rot, z;
  KR_MatIdentity(&t);
  t.m[12] = -eye->x;
  t.m[13] = -eye->y;
  t.m[14] = -eye->z;
  KR_MatIdentity(&rot);
  rot.m[0] = r.x; rot.m[4] = r.y; rot.m[8] = r.z;
  rot.m[1] = u.x; rot.m[5] = u.y; rot.m[9] = u.z;
  rot.m[2] = d.x; rot.m[6] = d.y; rot.m[10] = d.z;
  KR_MatRotateAxis(&z, roll, 3);

  KR_MatIdentity(m);
  KR_MatMultiply(m, m, &t);
  KR_MatMultiply(m, m, &rot);
  KR_MatMultiply(m, m, &z);
  return m;
}

KR_Plane* KR_PlaneFromPoints(KR_Plane* p, const KR_Vector* a, const KR_Vector* b, const KR_Vector* c) {
  KR_Vector ab, ac, n;
  KR_VecSub(&ab, b, a);
  KR_VecSub(&ac, c, a);
  KR_VecCross(&n, &ab, &ac);
  KR_VecNormalise(&n, &n);
  return KR_PlaneSet(p, &n, KR_VecDot(&n, a));
}

KR_Plane* KR_PlaneFromNormal(KR_Plane* p, const KR_Vector* n, const KR_Vector* point) {
  return KR_PlaneSet(p, n, KR_VecDot(n, point));
}

KR_Plane* KR_PlaneSet(KR_Plane* p, const KR_Vector* n, float d) {
  p->nx = n->x;
  p->ny = n->y;
  p->nz = n->z;
  p->d = d;
  return p;
}

static float plane_dot(const KR_Plane* p, const KR_Vector* v) { return p->nx * v->x + p->ny * v->y + p->nz * v->z; }

int KR_PlaneIsFront(const KR_Vector* point, const KR_Plane* p) { return plane_dot(p, point) > p->d ? 1 : 0; }

float KR_PlaneDistance(const KR_Vector* point, const KR_Plane* p) { return std::fabs(plane_dot(p, point) - p->d); }

int KR_PlaneIntersectLine(KR_Vector* out, const KR_Plane* p, const KR_Vector* point, const KR_Vector* dir) {
  float a = plane_dot(p, dir);
  if (a == 0.0f) return 0;
  float t = -(plane_dot(p, point) - p->d) / a;
  KR_VecSet(out, dir->x * t + point->x, dir->y * t + point->y, dir->z * t + point->z);
  return 1;
}

float KR_PlaneRayParam(const KR_Plane* p, const KR_Vector* point, const KR_Vector* dir) {
  float a = plane_dot(p, dir);
  if (a == 0.0f) return -1.0f;
  return -(plane_dot(p, point) - p->d) / a;
}

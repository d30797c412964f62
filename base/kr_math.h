// Vectors, 4x4 matrices (points are row vectors, translation in elements 12..14, the layout
// glMultMatrixf takes) and planes (n.p = d on the plane, n.p > d in front).
#pragma once

struct KR_Vector {
  float x, y, z;
};

struct KR_Matrix {
  float m[16];
};

struct KR_Plane {
  float nx, ny, nz, d;
};

KR_Vector* KR_VecZero(KR_Vector* v);
KR_Vector* KR_VecSet(KR_Vector* v, float x, float y, float z);
KR_Vector* KR_VecAdd(KR_Vector* d, const KR_Vector* a, const KR_Vector* b);
KR_Vector* KR_VecSub(KR_Vector* d, const KR_Vector* a, const KR_Vector* b);
KR_Vector* KR_VecScale(KR_Vector* d, const KR_Vector* a, float s);
// d must not be a or b.
KR_Vector* KR_VecCross(KR_Vector* d, const KR_Vector* a, const KR_Vector* b);
float KR_VecDot(const KR_Vector* a, const KR_Vector* b);
float KR_VecLengthSq(const KR_Vector* a);
float KR_VecLength(const KR_Vector* a);
// A zero vector gives non-finite components; callers normalise non-zero vectors only.
KR_Vector* KR_VecNormalise(KR_Vector* d, const KR_Vector* a);
KR_Vector* KR_VecSetLength(KR_Vector* d, const KR_Vector* a, float len);
KR_Vector* KR_VecLerp(KR_Vector* d, const KR_Vector* a, const KR_Vector* b, float t);
// Point transform (translation added).
KR_Vector* KR_VecTransform(KR_Vector* d, const KR_Vector* p, const KR_Matrix* m);
// Direction transform (rotation part only).
KR_Vector* KR_VecRotate(KR_Vector* d, const KR_Vector* v, const KR_Matrix* m);

KR_Matrix* KR_MatIdentity(KR_Matrix* m);
KR_Matrix* KR_MatScale(KR_Matrix* m, float sx, float sy, float sz);
KR_Matrix* KR_MatFromEuler(KR_Matrix* m, float a, float b, float c);
// Axis 1 = X, 2 = Y, 3 = Z; any other code gives the identity.
KR_Matrix* KR_MatRotateAxis(KR_Matrix* m, float angle, int axis);
// d = a.b (a applied first); d may be a or b.
KR_Matrix* KR_MatMultiply(KR_Matrix* d, const KR_Matrix* a, const KR_Matrix* b);
// Exact for rotation-plus-translation matrices only.
KR_Matrix* KR_MatInvertRigid(KR_Matrix* d, const KR_Matrix* m);
// Copies a row-major 3x3 into the rotation part; the other elements are left alone.
KR_Matrix* KR_MatFrom3x3(KR_Matrix* m, const float* r);
KR_Matrix* KR_MatNormaliseRows(KR_Matrix* d, const KR_Matrix* m);
// Camera matrix: the eye looks along +z in camera space, x right, y up.
KR_Matrix* KR_MatLookAt(KR_Matrix* m, const KR_Vector* eye, const KR_Vector* target, float roll);

KR_Plane* KR_PlaneFromPoints(KR_Plane* p, const KR_Vector* a, const KR_Vector* b, const KR_Vector* c);
KR_Plane* KR_PlaneFromNormal(KR_Plane* p, const KR_Vector* n, const KR_Vector* point);
KR_Plane* KR_PlaneSet(KR_Plane* p, const KR_Vector* n, float d);
int KR_PlaneIsFront(const KR_Vector* point, const KR_Plane* p);
float KR_PlaneDistance(const KR_Vector* point, const KR_Plane* p);
// Where the line through `point` along `dir` meets the plane; 0 (out untouched) when parallel.
int KR_PlaneIntersectLine(KR_Vector* out, const KR_Plane* p, const KR_Vector* point, const KR_Vector* dir);
// The line parameter of that meeting point; -1 when parallel.
float KR_PlaneRayParam(const KR_Plane* p, const KR_Vector* point, const KR_Vector* dir);

// Fog volumes: spheres of coloured fog measured along each vertex's line of sight from the eye
// and drawn as an alpha-blended pass over a mesh. Everything runs in camera space, with the eye
// at the origin.
#pragma once

#include <cstdint>

#include "base/kr_math.h"

struct KR_Mesh;

struct FOG_Sphere {
  KR_Vector centre;   // world space
  KR_Vector tcentre;  // after FOG_VolumeTransform
  float radius;
  float radius2;
};

constexpr int FOG_SPHERICAL = 1;

struct FOG_Volume {
  int type;  // FOG_SPHERICAL, the only type
  FOG_Sphere* shape;
  float colour[4];
  std::uint8_t colourBytes[4];  // colour x 255, truncated
  float density;  // fog amount per unit of length inside the sphere
};

FOG_Sphere* FOG_SphericalVolumeCreate(const KR_Vector* centre, float radius);
FOG_Volume* FOG_VolumeCreate(int unused, FOG_Sphere* sphere);
// colour: four floats R, G, B, A.
int FOG_VolumeSetColour(FOG_Volume* v, const float* colour);
int FOG_VolumeSetDensity(FOG_Volume* v, float density);
int FOG_VolumeTransform(FOG_Volume* v, const KR_Matrix* matrix);
// Frees the volume and its sphere (tools and tests).
int FOG_VolumeDelete(FOG_Volume* v);

// The fog amount along the line of sight from `eye` in the unit direction `dir` up to the
// distance `a`; 1 with the amount when the line meets the sphere, 0 (amount 0) when it misses.
int FOG_VolumeSegment(const FOG_Volume* v, const KR_Vector* eye, const KR_Vector* dir, float a, float* amount);

int FOG_MeshClear(KR_Mesh* m);
int FOG_MeshApply(KR_Mesh* m, FOG_Volume* v, const KR_Matrix* matrix);
int FOG_MeshRender(KR_Mesh* m);

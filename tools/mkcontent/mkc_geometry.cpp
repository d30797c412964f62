// Procedural geometry for the pack's scenes.
#include "tools/mkcontent/mkc_geometry.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {

constexpr float kTau = 6.2831853f;

MKC_Vec sub(MKC_Vec a, MKC_Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
MKC_Vec add(MKC_Vec a, MKC_Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
MKC_Vec scale(MKC_Vec a, float s) { return {a.x * s, a.y * s, a.z * s}; }
MKC_Vec cross(MKC_Vec a, MKC_Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(MKC_Vec a, MKC_Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(MKC_Vec a) { return std::sqrt(dot(a, a)); }

// Hands out one vertex per position among the vertices it added, so shapes built face by
// face share their edges.
struct Welder {
  TOOL_KrmMesh& mesh;
  std::map<std::tuple<long, long, long>, int> index;
  explicit Welder(TOOL_KrmMesh& m) : mesh(m) {}
  int get(MKC_Vec p) {
    auto key = std::make_tuple(std::lround(p.x * 1000.0f), std::lround(p.y * 1000.0f), std::lround(p.z * 1000.0f));
    auto it = index.find(key);
    if (it != index.end()) return it->second;
    int i = int(mesh.vertices.size());
    mesh.vertices.push_back({p.x, p.y, p.z});
    index.emplace(key, i);
    return i;
  }
};

// A grid of nu x nv quads from origin along edge vectors U and V, facing U x V. Texture
// coordinates: world mapping when uvScale > 0, else 0..1 across the face.
void grid(Welder& w, MKC_Vec origin, MKC_Vec U, MKC_Vec V, int nu, int nv, const MKC_Surface& s) {
  float lu = length(U), lv = length(V);
  MKC_Vec du = scale(U, 1.0f / lu), dv = scale(V, 1.0f / lv);
  for (int j = 0; j < nv; j++)
    for (int i = 0; i < nu; i++) {
      auto corner = [&](int ci, int cj) {
        float fu = float(ci) / float(nu), fv = float(cj) / float(nv);
        MKC_Vec p = add(origin, add(scale(U, fu), scale(V, fv)));
        float u = s.uvScale > 0.0f ? dot(p, du) * s.uvScale : fu;
        float v = s.uvScale > 0.0f ? dot(p, dv) * s.uvScale : fv;
        return TOOL_KrmCorner{w.get(p), u, v};
      };
      w.mesh.polys.push_back(
          {s.material, {corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)}, s.smoothing});
    }
}

MKC_Vec face_normal(const TOOL_KrmMesh& m, const TOOL_KrmPoly& p) {
  MKC_Vec a = MKC_VertexAt(m, p.corners[0].vertex), b = MKC_VertexAt(m, p.corners[1].vertex),
          c = MKC_VertexAt(m, p.corners[2].vertex);
  return cross(sub(b, a), sub(c, a));
}

double volume_of(const TOOL_KrmMesh& m, std::size_t firstPoly) {
  double v = 0.0;
  for (std::size_t i = firstPoly; i < m.polys.size(); i++) {
    const TOOL_KrmPoly& p = m.polys[i];
    MKC_Vec a = MKC_VertexAt(m, p.corners[0].vertex);
    for (std::size_t k = 1; k + 1 < p.corners.size(); k++) {
      MKC_Vec b = MKC_VertexAt(m, p.corners[k].vertex), c = MKC_VertexAt(m, p.corners[k + 1].vertex);
      v += double(dot(a, cross(sub(b, a), sub(c, a)))) / 6.0;
    }
  }
  return v;
}

void flip_from(TOOL_KrmMesh& m, std::size_t firstPoly) {
  for (std::size_t i = firstPoly; i < m.polys.size(); i++) {
    auto& c = m.polys[i].corners;
    std::reverse(c.begin() + 1, c.end());
  }
}

// Turns the polygons from firstPoly on so that the closed shape they form faces outward.
void orient_outward(TOOL_KrmMesh& m, std::size_t firstPoly) {
  if (volume_of(m, firstPoly) < 0.0) flip_from(m, firstPoly);
}

}  // namespace

int MKC_AddBox(TOOL_KrmMesh& m, MKC_Vec a, MKC_Vec b, const MKC_Surface& s, int nx, int ny, int nz, bool inward) {
  int first = int(m.vertices.size());
  std::size_t firstPoly = m.polys.size();
  Welder w(m);
  MKC_Vec X = {b.x - a.x, 0, 0}, Y = {0, b.y - a.y, 0}, Z = {0, 0, b.z - a.z};
  // Each face as origin, U, V with U x V pointing out of the box (for a < b on every axis).
  grid(w, {a.x, a.y, a.z}, Z, Y, nz, ny, s);  // -x
  grid(w, {b.x, a.y, a.z}, Y, Z, ny, nz, s);  // +x
  grid(w, {a.x, a.y, a.z}, X, Z, nx, nz, s);  // -y
  grid(w, {a.x, b.y, a.z}, Z, X, nz, nx, s);  // +y
  grid(w, {a.x, a.y, a.z}, Y, X, ny, nx, s);  // -z
  grid(w, {a.x, a.y, b.z}, X, Y, nx, ny, s);  // +z
  orient_outward(m, firstPoly);
  if (inward) flip_from(m, firstPoly);
  return first;
}

int MKC_AddRing(TOOL_KrmMesh& m, float inner, float outer, float y0, float y1, int n, const MKC_Surface& s) {
  int first = int(m.vertices.size());
  std::size_t firstPoly = m.polys.size();
  Welder w(m);
  auto at = [&](float r, float y, int i) {
    float a = kTau * float(i % n) / float(n);
    return MKC_Vec{r * std::cos(a), y, r * std::sin(a)};
  };
  for (int i = 0; i < n; i++) {
    float u0 = float(i) / float(n) * 4.0f, u1 = float(i + 1) / float(n) * 4.0f;
    auto quad = [&](MKC_Vec p0, MKC_Vec p1, MKC_Vec p2, MKC_Vec p3) {
      m.polys.push_back(
          {s.material, {{w.get(p0), u0, 0}, {w.get(p1), u1, 0}, {w.get(p2), u1, 1}, {w.get(p3), u0, 1}}, s.smoothing});
    };
    quad(at(outer, y1, i), at(outer, y1, i + 1), at(outer, y0, i + 1), at(outer, y0, i));
    quad(at(inner, y0, i), at(inner, y0, i + 1), at(inner, y1, i + 1), at(inner, y1, i));
    quad(at(inner, y1, i), at(inner, y1, i + 1), at(outer, y1, i + 1), at(outer, y1, i));
    quad(at(outer, y0, i), at(outer, y0, i + 1), at(inner, y0, i + 1), at(inner, y0, i));
  }
  // The four faces of a segment are written in one turning sense; fix the whole set at once.
  orient_outward(m, firstPoly);
  return first;
}

int MKC_AddSphere(TOOL_KrmMesh& m, MKC_Vec c, float radius, int segments, int rings, const MKC_Surface& s) {
  int first = int(m.vertices.size());
  std::size_t firstPoly = m.polys.size();
  int top = int(m.vertices.size());
  m.vertices.push_back({c.x, c.y + radius, c.z});
  for (int i = 1; i < rings; i++) {
    float th = 3.14159265f * float(i) / float(rings);
    for (int j = 0; j < segments; j++) {
      float ph = kTau * float(j) / float(segments);
      m.vertices.push_back({c.x + radius * std::sin(th) * std::cos(ph), c.y + radius * std::cos(th),
                            c.z + radius * std::sin(th) * std::sin(ph)});
    }
  }
  int bottom = int(m.vertices.size());
  m.vertices.push_back({c.x, c.y - radius, c.z});
  auto vid = [&](int i, int j) {
    if (i == 0) return top;
    if (i == rings) return bottom;
    return top + 1 + (i - 1) * segments + (j % segments);
  };
  for (int i = 0; i < rings; i++)
    for (int j = 0; j < segments; j++) {
      float u0 = float(j) / float(segments), u1 = float(j + 1) / float(segments);
      float v0 = float(i) / float(rings), v1 = float(i + 1) / float(rings);
      TOOL_KrmPoly p{s.material, {}, s.smoothing};
      if (i == 0)
        p.corners = {{vid(0, j), (u0 + u1) * 0.5f, v0}, {vid(1, j + 1), u1, v1}, {vid(1, j), u0, v1}};
      else if (i == rings - 1)
        p.corners = {{vid(i, j), u0, v0}, {vid(i, j + 1), u1, v0}, {vid(rings, j), (u0 + u1) * 0.5f, v1}};
      else
        p.corners = {
            {vid(i, j), u0, v0}, {vid(i, j + 1), u1, v0}, {vid(i + 1, j + 1), u1, v1}, {vid(i + 1, j), u0, v1}};
      m.polys.push_back(p);
    }
  orient_outward(m, firstPoly);
  return first;
}

int MKC_AddTorus(TOOL_KrmMesh& m, MKC_Vec c, float major, float minor, int segments, int sides, const MKC_Surface& s) {
  int first = int(m.vertices.size());
  std::size_t firstPoly = m.polys.size();
  for (int i = 0; i < segments; i++)
    for (int j = 0; j < sides; j++) {
      float u = kTau * float(i) / float(segments), v = kTau * float(j) / float(sides);
      float r = major + minor * std::cos(v);
      m.vertices.push_back({c.x + r * std::cos(u), c.y + minor * std::sin(v), c.z + r * std::sin(u)});
    }
  auto vid = [&](int i, int j) { return first + (i % segments) * sides + (j % sides); };
  for (int i = 0; i < segments; i++)
    for (int j = 0; j < sides; j++) {
      float u0 = float(i) / float(segments) * 4.0f, u1 = float(i + 1) / float(segments) * 4.0f;
      float v0 = float(j) / float(sides), v1 = float(j + 1) / float(sides);
      m.polys.push_back(
          {s.material,
           {{vid(i, j), u0, v0}, {vid(i + 1, j), u1, v0}, {vid(i + 1, j + 1), u1, v1}, {vid(i, j + 1), u0, v1}},
           s.smoothing});
    }
  orient_outward(m, firstPoly);
  return first;
}

int MKC_AddTube(TOOL_KrmMesh& m, float radius, float y0, float y1, int segments, int rings, float uTurns,
                float vPerUnit, const MKC_Surface& s) {
  int first = int(m.vertices.size());
  std::size_t firstPoly = m.polys.size();
  for (int i = 0; i <= rings; i++)
    for (int j = 0; j < segments; j++) {
      float a = kTau * float(j) / float(segments), y = y0 + (y1 - y0) * float(i) / float(rings);
      m.vertices.push_back({radius * std::cos(a), y, radius * std::sin(a)});
    }
  auto vid = [&](int i, int j) { return first + i * segments + (j % segments); };
  for (int i = 0; i < rings; i++)
    for (int j = 0; j < segments; j++) {
      float u0 = float(j) / float(segments) * uTurns, u1 = float(j + 1) / float(segments) * uTurns;
      float v0 = MKC_VertexAt(m, vid(i, 0)).y * vPerUnit,
            v1 = MKC_VertexAt(m, vid(i + 1, 0)).y * vPerUnit;
      m.polys.push_back(
          {s.material,
           {{vid(i, j), u0, v0}, {vid(i, j + 1), u1, v0}, {vid(i + 1, j + 1), u1, v1}, {vid(i + 1, j), u0, v1}},
           s.smoothing});
    }
  // Faces turned toward the axis.
  const TOOL_KrmPoly& p = m.polys[firstPoly];
  MKC_Vec v = MKC_VertexAt(m, p.corners[0].vertex);
  if (dot(face_normal(m, p), MKC_Vec{-v.x, 0, -v.z}) < 0.0f) flip_from(m, firstPoly);
  return first;
}

int MKC_AddOctahedron(TOOL_KrmMesh& m, MKC_Vec c, MKC_Vec radius, const MKC_Surface& s) {
  int first = int(m.vertices.size());
  std::size_t firstPoly = m.polys.size();
  const MKC_Vec axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  for (const MKC_Vec& a : axes)
    m.vertices.push_back({c.x + a.x * radius.x, c.y + a.y * radius.y, c.z + a.z * radius.z});
  // Each face takes one of +-x, one of +-y and one of +-z, turned by the sign pattern.
  for (int sx = 0; sx < 2; sx++)
    for (int sy = 0; sy < 2; sy++)
      for (int sz = 0; sz < 2; sz++) {
        int a = first + sx, b = first + 2 + sy, d = first + 4 + sz;
        TOOL_KrmPoly p{s.material, {{a, 0.0f, 1.0f}, {b, 0.5f, 0.0f}, {d, 1.0f, 1.0f}}, s.smoothing};
        if ((sx + sy + sz) % 2 == 1) std::swap(p.corners[1], p.corners[2]);
        m.polys.push_back(p);
      }
  orient_outward(m, firstPoly);
  return first;
}

int MKC_AddBlade(TOOL_KrmMesh& m, float r0, float r1, int n, float thickness, float twist, const float* width,
                 const MKC_Surface& s) {
  int first = int(m.vertices.size());
  std::size_t firstPoly = m.polys.size();
  for (int k = 0; k <= n; k++) {
    float f = float(k) / float(n), x = r0 + (r1 - r0) * f, a = twist * f;
    float ca = std::cos(a), sa = std::sin(a), w = width[k], t = thickness * 0.5f;
    const float yz[4][2] = {{-w, -t}, {w, -t}, {w, t}, {-w, t}};
    for (const auto& q : yz) m.vertices.push_back({x, q[0] * ca - q[1] * sa, q[0] * sa + q[1] * ca});
  }
  auto vid = [&](int k, int c) { return first + k * 4 + (c % 4); };
  for (int k = 0; k < n; k++)
    for (int c = 0; c < 4; c++) {
      float u0 = float(k) / float(n), u1 = float(k + 1) / float(n), v0 = c < 2 ? 0.0f : 1.0f,
            v1 = (c + 1) % 4 < 2 ? 0.0f : 1.0f;
      m.polys.push_back(
          {s.material,
           {{vid(k, c), u0, v0}, {vid(k + 1, c), u1, v0}, {vid(k + 1, c + 1), u1, v1}, {vid(k, c + 1), u0, v1}},
           s.smoothing});
    }
  m.polys.push_back(
      {s.material, {{vid(0, 0), 0, 0}, {vid(0, 1), 0, 1}, {vid(0, 2), 0, 1}, {vid(0, 3), 0, 0}}, s.smoothing});
  m.polys.push_back(
      {s.material, {{vid(n, 3), 1, 0}, {vid(n, 2), 1, 1}, {vid(n, 1), 1, 1}, {vid(n, 0), 1, 0}}, s.smoothing});
  orient_outward(m, firstPoly);
  return first;
}

void MKC_TransformVertices(TOOL_KrmMesh& m, int first, MKC_Vec turn, MKC_Vec move) {
  float cx = std::cos(turn.x), sx = std::sin(turn.x), cy = std::cos(turn.y), sy = std::sin(turn.y);
  float cz = std::cos(turn.z), sz = std::sin(turn.z);
  for (std::size_t i = std::size_t(first); i < m.vertices.size(); i++) {
    MKC_Vec p = MKC_VertexAt(m, int(i));
    p = {p.x, p.y * cx - p.z * sx, p.y * sx + p.z * cx};
    p = {p.x * cy + p.z * sy, p.y, -p.x * sy + p.z * cy};
    p = {p.x * cz - p.y * sz, p.x * sz + p.y * cz, p.z};
    p = add(p, move);
    m.vertices[i] = {p.x, p.y, p.z};
  }
}

int MKC_OpenEdges(const TOOL_KrmMesh& m) {
  // Directed uses: a consistently turned closed surface walks every edge once each way.
  std::map<std::pair<int, int>, int> uses;
  for (const TOOL_KrmPoly& p : m.polys)
    for (std::size_t i = 0; i < p.corners.size(); i++) {
      int a = p.corners[i].vertex, b = p.corners[(i + 1) % p.corners.size()].vertex;
      uses[{a, b}]++;
    }
  int open = 0;
  for (const auto& e : uses) {
    auto back = uses.find({e.first.second, e.first.first});
    if (e.second != 1 || back == uses.end() || back->second != 1) open++;
  }
  return open;
}

double MKC_Volume(const TOOL_KrmMesh& m) { return volume_of(m, 0); }

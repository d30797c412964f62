// The pack's scenes: the fan blades, the fjall landscape, the tunnel, the blob sphere and the
// three lit scene sets (mu4, weird, box), each sized for the camera its section flies.
#include "tools/mkcontent/mkc_scenes.h"

#include <cmath>
#include <cstdio>

#include "tools/mkcontent/mkc_raster.h"

namespace {

constexpr float kPi = 3.14159265f;

TOOL_KrmMesh mesh(const char* name, int flags) {
  TOOL_KrmMesh m;
  m.name = name;
  m.flags = flags;
  return m;
}

std::string numbered(const char* stem, int i) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s%02d", stem, i);
  return buf;
}

}  // namespace

TOOL_KrmScene MKC_SceneFan(void) {
  // Twelve blades around the z axis, each its own mesh; the show draws copies of the first, so
  // it reaches from near the centre out to radius 100, and the first camera frames the ring.
  TOOL_KrmScene s;
  s.materials.push_back({"blade.jpg", 0, {0.6f, 0.7f, 0.8f}, {1, 1, 1}, 0, 1.0f});
  const float width[] = {5, 9, 13, 16, 18, 19, 19, 18, 16, 13, 9, 5};
  for (int q = 0; q < 12; q++) {
    TOOL_KrmMesh m = mesh(numbered("blade", q + 1).c_str(), 0);
    int first = MKC_AddBlade(m, 16.0f, 100.0f, 11, 2.0f, 0.5f, width, MKC_Surface{});
    MKC_TransformVertices(m, first, {0, 0, float(q) * 2.0f * kPi / 12.0f}, {0, 0, 0});
    s.meshes.push_back(std::move(m));
  }
  s.cameras.push_back({"ringcam", 0, {0, 0, -115}, {0, 0, 0}, 0.0f, 1.2f});
  return s;
}

TOOL_KrmScene MKC_SceneFjall(void) {
  // A 200 x 200 mountain tile, heights 0 to 16; the show stacks 30 copies 20 units apart.
  TOOL_KrmScene s;
  s.materials.push_back({"contours.jpg", 0, {0.5f, 0.7f, 0.7f}, {1, 1, 1}, 0, 1.0f});
  TOOL_KrmMesh m = mesh("fjall", 0);
  MKC_AddHeightField(m, 100.0f, 24, 1.0f / 50.0f, MKC_Surface{}, [](float x, float z) {
    float ridge = 1.0f - std::fabs(2.0f * MKC_Fbm(x * 0.012f + 5.0f, z * 0.012f + 5.0f, 301, 4) - 1.0f);
    float edge = MKC_Smooth(100.0f, 70.0f, std::max(std::fabs(x), std::fabs(z)));
    return 16.0f * ridge * ridge * (0.35f + 0.65f * edge);
  });
  s.meshes.push_back(std::move(m));
  s.cameras.push_back({"survey", 0, {0, 40, -140}, {0, 0, 0}, 0.0f, 1.3f});
  return s;
}

TOOL_KrmScene MKC_SceneCylinder(void) {
  // A tube 5000 long along y, radius 160, textured inside; the show sits inside at the origin.
  TOOL_KrmScene s;
  s.materials.push_back({"rings.jpg", 0, {0.5f, 0.5f, 0.6f}, {1, 1, 1}, 0, 1.0f});
  TOOL_KrmMesh m = mesh("tunnel", 0);
  MKC_AddTube(m, 160.0f, -2500.0f, 2500.0f, 32, 50, 4.0f, 1.0f / 320.0f, MKC_Surface{});
  s.meshes.push_back(std::move(m));
  s.cameras.push_back({"inside", 0, {0, -100, 0}, {0, 100, 0}, 0.0f, 1.5f});
  return s;
}

TOOL_KrmScene MKC_SceneSphere(void) {
  // A smooth sphere of radius 100 fine enough to stay round under the wobble.
  TOOL_KrmScene s;
  s.materials.push_back({"marble.jpg", 0, {0.6f, 0.5f, 0.7f}, {1, 1, 1}, 0, 1.0f});
  TOOL_KrmMesh m = mesh("blob", MKC_MESH_SMOOTH);
  MKC_AddSphere(m, {0, 0, 0}, 100.0f, 48, 32, MKC_Surface{0, 1});
  s.meshes.push_back(std::move(m));
  s.cameras.push_back({"front", 0, {0, 0, -650}, {0, 0, 0}, 0.0f, 1.5707964f});
  return s;
}

TOOL_KrmScene MKC_SceneMu4(void) {
  // A floating shrine within radius 34 (the section's camera stays 42 or more from the
  // origin): eight pillars, two rings, three cubes, the spinning core (the 14th mesh, centred
  // on its own origin) and an orb inside it. All closed, shadow casting and lightmapped.
  TOOL_KrmScene s;
  s.materials = {{"stone.jpg", 0, {0.5f, 0.5f, 0.5f}, {1, 1, 1}, 0, 1.0f},
                 {"metal.jpg", 0, {0.5f, 0.5f, 0.6f}, {1, 1, 1}, 0, 1.0f},
                 {"tiles.jpg", 0, {0.6f, 0.6f, 0.5f}, {1, 1, 1}, 0, 1.0f},
                 {"core.jpg", 0, {0.8f, 0.5f, 0.2f}, {1, 1, 1}, 0, 1.0f}};
  const int solid = MKC_MESH_SHADOWS | MKC_MESH_LIGHTMAPPED;
  for (int k = 0; k < 8; k++) {
    TOOL_KrmMesh m = mesh(numbered("pillar", k + 1).c_str(), solid);
    MKC_AddBox(m, {-2.5f, -15, -2.5f}, {2.5f, 15, 2.5f}, MKC_Surface{0, 0, 0.2f}, 1, 4, 1);
    float a = (float(k) + 0.5f) * kPi / 4.0f;
    m.translation = {24.0f * std::cos(a), 0.0f, 24.0f * std::sin(a)};
    s.meshes.push_back(std::move(m));
  }
  for (int k = 0; k < 2; k++) {
    TOOL_KrmMesh m = mesh(k ? "ringbottom" : "ringtop", solid);
    float y = k ? -17.5f : 17.5f;
    MKC_AddRing(m, 20.0f, 28.0f, y - 1.5f, y + 1.5f, 32, MKC_Surface{1});
    s.meshes.push_back(std::move(m));
  }
  for (int k = 0; k < 3; k++) {
    TOOL_KrmMesh m = mesh(numbered("cube", k + 1).c_str(), solid);
    int first = MKC_AddBox(m, {-2, -2, -2}, {2, 2, 2}, MKC_Surface{2}, 2, 2, 2);
    float a = float(k) * 2.0f * kPi / 3.0f + 0.3f;
    MKC_TransformVertices(m, first, {0.6f * float(k + 1), 0.4f, 0.8f},
                          {16.0f * std::cos(a), float(k - 1) * 6.0f, 16.0f * std::sin(a)});
    s.meshes.push_back(std::move(m));
  }
  TOOL_KrmMesh core = mesh("core", solid | MKC_MESH_SMOOTH);
  MKC_AddTorus(core, {0, 0, 0}, 8.0f, 2.6f, 32, 12, MKC_Surface{3, 1});
  s.meshes.push_back(std::move(core));
  TOOL_KrmMesh orb = mesh("orb", solid | MKC_MESH_SMOOTH);
  MKC_AddSphere(orb, {0, 0, 0}, 3.5f, 16, 10, MKC_Surface{1, 1});
  s.meshes.push_back(std::move(orb));
  s.lights = {{"violet", 0, {40, 10, 0}, {0.5f, 0.4f, 0.9f}, 0.0f},
              {"ember", 0, {-40, -10, 0}, {0.9f, 0.5f, 0.4f}, 0.0f}};
  s.cameras.push_back({"orbit", 0, {55, 0, 0}, {0, 0, 0}, 0.0f, 2.6f});
  return s;
}

TOOL_KrmScene MKC_SceneWeird(void) {
  // A long hall along z (720 long, 140 wide, 100 high) whose ends reach into the two fog
  // volumes at z = +-300. The camera and the four lights stay within |x| <= 30, |y| <= 21
  // along the axis; everything else keeps clear of that column.
  TOOL_KrmScene s;
  s.materials = {{"hall.jpg", 0, {0.6f, 0.5f, 0.6f}, {1, 1, 1}, 0, 1.0f},
                 {"stone.jpg", 0, {0.5f, 0.5f, 0.5f}, {1, 1, 1}, 0, 1.0f},
                 {"metal.jpg", 0, {0.5f, 0.5f, 0.6f}, {1, 1, 1}, 0, 1.0f},
                 {"tiles.jpg", 0, {0.6f, 0.6f, 0.5f}, {1, 1, 1}, 0, 1.0f}};
  const int solid = MKC_MESH_SHADOWS | MKC_MESH_LIGHTMAPPED;
  TOOL_KrmMesh hall = mesh("hall", MKC_MESH_LIGHTMAPPED);
  MKC_AddBox(hall, {-70, -50, -360}, {70, 50, 360}, MKC_Surface{0, 0, 1.0f / 40.0f}, 7, 5, 36, true);
  s.meshes.push_back(std::move(hall));
  for (int side = 0; side < 2; side++) {
    TOOL_KrmMesh m = mesh(side ? "colonnade right" : "colonnade left", solid);
    float x0 = side ? 50.0f : -60.0f;
    for (int k = 0; k < 12; k++) {
      float z = -330.0f + 60.0f * float(k);
      MKC_AddBox(m, {x0, -49.5f, z - 5}, {x0 + 10, 49.5f, z + 5}, MKC_Surface{1, 0, 1.0f / 20.0f}, 1, 5, 1);
    }
    s.meshes.push_back(std::move(m));
  }
  TOOL_KrmMesh beams = mesh("beams", solid);
  for (int k = 0; k < 11; k++) {
    float z = -300.0f + 60.0f * float(k);
    MKC_AddBox(beams, {-69.5f, 38, z - 4}, {69.5f, 46, z + 4}, MKC_Surface{2, 0, 1.0f / 20.0f}, 7, 1, 1);
  }
  s.meshes.push_back(std::move(beams));
  TOOL_KrmMesh plinths = mesh("plinths", solid);
  for (int k = 0; k < 11; k++)
    for (int side = 0; side < 2; side++) {
      float z = -300.0f + 60.0f * float(k), x = side ? 30.0f : -45.0f;
      MKC_AddBox(plinths, {x, -49.5f, z - 8}, {x + 15, -38, z + 8}, MKC_Surface{3, 0, 1.0f / 16.0f}, 2, 1, 2);
    }
  s.meshes.push_back(std::move(plinths));
  TOOL_KrmMesh rings = mesh("rings", solid | MKC_MESH_SMOOTH);
  for (int k = 0; k < 4; k++) {
    int first = MKC_AddTorus(rings, {0, 0, 0}, 9.0f, 2.5f, 24, 8, MKC_Surface{2, 1});
    MKC_TransformVertices(rings, first, {0, 0, kPi / 2}, {k % 2 ? 45.0f : -45.0f, 30.0f, k < 2 ? -150.0f : 150.0f});
  }
  s.meshes.push_back(std::move(rings));
  TOOL_KrmMesh crystals = mesh("crystals", solid);
  for (int k = 0; k < 8; k++) {
    float z = -270.0f + 77.0f * float(k);
    MKC_AddOctahedron(crystals, {k % 2 ? 26.0f : -26.0f, 31.0f, z}, {4.5f, 6.5f, 4.5f}, MKC_Surface{3});
  }
  s.meshes.push_back(std::move(crystals));
  const std::array<float, 3> colours[4] = {{0.6f, 0.5f, 0.4f}, {0.4f, 0.5f, 0.6f}, {0.4f, 0.6f, 0.5f}, {0.6f, 0.4f, 0.5f}};
  for (int k = 0; k < 4; k++)
    s.lights.push_back(
        {numbered("lamp", k + 1), MKC_LIGHT_RANGE, {0, 0, -135.0f + 90.0f * float(k)}, colours[k], 250.0f});
  s.cameras.push_back({"walk", 0, {0, 0, -170}, {0, 0, 0}, 0.0f, 2.6f});
  return s;
}

TOOL_KrmScene MKC_SceneBox(void) {
  // A field of towers below and blocks hanging above, 4000 wide, around the projected cross.
  // The camera flies at y = 0 with z <= -360: the floor tops stay below -260 and the hanging
  // blocks above 260, clear of the eye and of the 640 x 480 picture at z = 0.
  TOOL_KrmScene s;
  s.materials = {{"panel.jpg", 0, {0.5f, 0.5f, 0.6f}, {1, 1, 1}, 0, 1.0f},
                 {"glow.jpg", 0, {0.8f, 0.7f, 0.6f}, {1, 1, 1}, 0, 1.0f}};
  MKC_Random rnd(401);
  for (int row = 0; row < 17; row++) {
    float z = -3400.0f + 400.0f * float(row);
    for (int level = 0; level < 2; level++) {
      TOOL_KrmMesh m = mesh(numbered(level ? "hanging" : "towers", row + 1).c_str(), MKC_MESH_LIGHTMAPPED);
      for (int i = 0; i < 11; i++) {
        float x = -2000.0f + 400.0f * float(i);
        float h = rnd.range(0.0f, 260.0f);
        bool present = level == 0 || rnd.unit() < 0.6f;
        bool lit = rnd.unit() < 0.3f;
        if (!present) continue;
        std::size_t firstPoly = m.polys.size();
        if (level == 0)
          MKC_AddBox(m, {x - 150, -700, z - 150}, {x + 150, -260 - h, z + 150}, MKC_Surface{0, 0, 1.0f / 150.0f});
        else
          MKC_AddBox(m, {x - 150, 260 + h, z - 150}, {x + 150, 700, z + 150}, MKC_Surface{0, 0, 1.0f / 150.0f});
        // Some blocks get a lit face toward the gap between the two levels.
        if (lit)
          for (std::size_t p = firstPoly; p < m.polys.size(); p++) {
            const TOOL_KrmPoly& poly = m.polys[p];
            float y = MKC_VertexAt(m, poly.corners[0].vertex).y;
            bool facing = true;
            for (const TOOL_KrmCorner& c : poly.corners) facing = facing && MKC_VertexAt(m, c.vertex).y == y;
            if (facing && std::fabs(y) < 600.0f) m.polys[p].material = 1;
          }
      }
      if (!m.polys.empty()) s.meshes.push_back(std::move(m));
    }
  }
  s.lights = {{"sun", MKC_LIGHT_RANGE, {0, 0, 400}, {0.9f, 0.7f, 0.55f}, 3500.0f},
              {"cold", 0, {-1800, 0, -1500}, {0.35f, 0.45f, 0.8f}, 0.0f},
              {"rose", 0, {1800, 0, 2200}, {0.7f, 0.35f, 0.55f}, 0.0f}};
  s.cameras.push_back({"approach", 0, {0, 0, -360}, {0, 0, 0}, 0.0f, 1.5707964f});
  return s;
}

std::vector<MKC_SceneEntry> MKC_SceneEntries(void) {
  return {
      {"3d/fan/fan.krm", false, MKC_SceneFan},
      {"3d/fjall/fan.krm", false, MKC_SceneFjall},
      {"3d/cylinder/cylinder.krm", false, MKC_SceneCylinder},
      {"3d/mu/mu4.krm", false, MKC_SceneMu4},
      {"3d/mu/weird.krm", false, MKC_SceneWeird},
      {"3d/mu/box.krm", true, MKC_SceneBox},
      {"3d/sphere/sphere.krm", false, MKC_SceneSphere},
  };
}

std::string MKC_CheckScene(const TOOL_KrmScene& scene) {
  for (const TOOL_KrmMesh& m : scene.meshes) {
    for (const TOOL_KrmPoly& p : m.polys) {
      if (p.corners.size() < 3 || p.corners.size() > 4) return m.name + ": a polygon without 3 or 4 corners";
      if (p.material < 0 || std::size_t(p.material) >= scene.materials.size())
        return m.name + ": material out of range";
    }
    if (!(m.flags & MKC_MESH_SHADOWS)) continue;
    if (int open = MKC_OpenEdges(m)) return m.name + ": " + std::to_string(open) + " edges not closed";
    if (MKC_Volume(m) <= 0.0) return m.name + ": faces turned inward";
  }
  return "";
}

// The content generator's parts: closed, outward-facing geometry and scenes kept clear of the
// paths their cameras fly; the font sheet's glyph columns; textures that tile; clips that loop;
// the soundtrack's length and level; the helpers that run the encoders.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/test_util.h"
#include "tools/mkcontent/mkc_clips.h"
#include "tools/mkcontent/mkc_content.h"
#include "tools/mkcontent/mkc_geometry.h"
#include "tools/mkcontent/mkc_music.h"
#include "tools/mkcontent/mkc_process.h"
#include "tools/mkcontent/mkc_scenes.h"

namespace {

MKC_Vec normal_of(const TOOL_KrmMesh& m, const TOOL_KrmPoly& p) {
  const MKC_Vec a = MKC_VertexAt(m, p.corners[0].vertex), b = MKC_VertexAt(m, p.corners[1].vertex),
                c = MKC_VertexAt(m, p.corners[2].vertex);
  MKC_Vec u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
  return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

const TOOL_KrmMesh* find_mesh(const TOOL_KrmScene& s, const std::string& name) {
  for (const TOOL_KrmMesh& m : s.meshes)
    if (m.name == name) return &m;
  return nullptr;
}

TEST(MkcGeometry, ClosedShapesShareEveryEdgeOnceEachWayAndFaceOutward) {
  const MKC_Surface s;
  const float width[4] = {2, 4, 4, 2};
  struct Case {
    const char* name;
    void (*build)(TOOL_KrmMesh&, const MKC_Surface&, const float*);
  };
  const Case cases[] = {
      {"box",
       [](TOOL_KrmMesh& m, const MKC_Surface& s, const float*) {
         MKC_AddBox(m, {-1, -2, -3}, {4, 5, 6}, s);
       }},
      {"split box",
       [](TOOL_KrmMesh& m, const MKC_Surface& s, const float*) {
         MKC_AddBox(m, {0, 0, 0}, {3, 2, 5}, s, 3, 2, 4);
       }},
      {"ring", [](TOOL_KrmMesh& m, const MKC_Surface& s, const float*) { MKC_AddRing(m, 2, 3, -1, 1, 12, s); }},
      {"sphere",
       [](TOOL_KrmMesh& m, const MKC_Surface& s, const float*) {
         MKC_AddSphere(m, {1, 2, 3}, 5, 12, 8, s);
       }},
      {"torus",
       [](TOOL_KrmMesh& m, const MKC_Surface& s, const float*) {
         MKC_AddTorus(m, {0, 0, 0}, 5, 1, 16, 8, s);
       }},
      {"octahedron",
       [](TOOL_KrmMesh& m, const MKC_Surface& s, const float*) {
         MKC_AddOctahedron(m, {0, 0, 0}, {1, 2, 3}, s);
       }},
      {"blade",
       [](TOOL_KrmMesh& m, const MKC_Surface& s, const float* w) { MKC_AddBlade(m, 1, 10, 3, 0.5f, 0.7f, w, s); }},
  };
  for (const Case& c : cases) {
    TOOL_KrmMesh m;
    c.build(m, s, width);
    EXPECT_EQ(MKC_OpenEdges(m), 0) << c.name;
    EXPECT_GT(MKC_Volume(m), 0.0) << c.name;
  }
  TOOL_KrmMesh two;  // two shapes in one mesh stay two closed shapes
  MKC_AddBox(two, {0, 0, 0}, {1, 1, 1}, s);
  MKC_AddBox(two, {1, 0, 0}, {2, 1, 1}, s);
  EXPECT_EQ(two.vertices.size(), 16u);
  EXPECT_EQ(MKC_OpenEdges(two), 0);
  EXPECT_NEAR(MKC_Volume(two), 2.0, 1e-4);

  TOOL_KrmMesh room;
  MKC_AddBox(room, {-1, -1, -1}, {1, 1, 1}, s, 2, 2, 2, true);
  EXPECT_EQ(MKC_OpenEdges(room), 0);
  EXPECT_NEAR(MKC_Volume(room), -8.0, 1e-4);

  TOOL_KrmMesh open = room;
  open.polys.pop_back();
  EXPECT_GT(MKC_OpenEdges(open), 0);
  TOOL_KrmMesh turned = room;
  std::swap(turned.polys[0].corners[1], turned.polys[0].corners[3]);
  EXPECT_GT(MKC_OpenEdges(turned), 0) << "one face turned the other way";
}

TEST(MkcGeometry, TubesFaceTheirAxisAndHeightFieldsFaceUp) {
  TOOL_KrmMesh tube;
  MKC_AddTube(tube, 10, -50, 50, 16, 4, 2, 0.01f, MKC_Surface{});
  for (const TOOL_KrmPoly& p : tube.polys) {
    MKC_Vec n = normal_of(tube, p), v = MKC_VertexAt(tube, p.corners[0].vertex);
    EXPECT_GT(-(n.x * v.x + n.z * v.z), 0.0f);
  }
  TOOL_KrmMesh field;
  MKC_AddHeightField(field, 10, 4, 0.1f, MKC_Surface{}, [](float x, float z) { return 0.1f * x * z; });
  EXPECT_EQ(field.polys.size(), 16u);
  for (const TOOL_KrmPoly& p : field.polys) EXPECT_GT(normal_of(field, p).y, 0.0f);
}

TEST(MkcScenes, EverySceneIsSoundAndSizedForItsCamera) {
  for (const MKC_SceneEntry& e : MKC_SceneEntries()) EXPECT_EQ(MKC_CheckScene(e.build()), "") << e.path;

  // mu4: at least 14 meshes, the 14th centred on its own origin (it spins in place), all
  // closed, shadow casting and lightmapped, two lights; everything within 34 of the origin,
  // where the section's camera never comes closer than 42.
  TOOL_KrmScene mu = MKC_SceneMu4();
  ASSERT_GE(mu.meshes.size(), 14u);
  EXPECT_EQ(mu.lights.size(), 2u);
  const TOOL_KrmMesh& core = mu.meshes[13];
  EXPECT_EQ(core.translation[0] * core.translation[0] + core.translation[1] * core.translation[1], 0.0f);
  double cx = 0, cy = 0, cz = 0;
  for (const auto& v : core.vertices) cx += v[0], cy += v[1], cz += v[2];
  EXPECT_NEAR(cx / core.vertices.size(), 0.0, 1e-3);
  EXPECT_NEAR(cz / core.vertices.size(), 0.0, 1e-3);
  for (const TOOL_KrmMesh& m : mu.meshes) {
    EXPECT_EQ(m.flags & (MKC_MESH_SHADOWS | MKC_MESH_LIGHTMAPPED), MKC_MESH_SHADOWS | MKC_MESH_LIGHTMAPPED) << m.name;
    for (const auto& v : m.vertices) {
      float x = v[0] + m.translation[0], y = v[1] + m.translation[1], z = v[2] + m.translation[2];
      EXPECT_LT(std::sqrt(x * x + y * y + z * z), 35.0f) << m.name;
    }
  }

  // weird: four lights with a range of 250; the hall reaches into both fog volumes (z = +-300)
  // and nothing but the hall comes near the axis where the camera and the lights move.
  TOOL_KrmScene weird = MKC_SceneWeird();
  ASSERT_EQ(weird.lights.size(), 4u);
  for (const TOOL_KrmLight& l : weird.lights) {
    EXPECT_EQ(l.flags & MKC_LIGHT_RANGE, MKC_LIGHT_RANGE);
    EXPECT_EQ(l.range, 250.0f);
  }
  const TOOL_KrmMesh* hall = find_mesh(weird, "hall");
  ASSERT_NE(hall, nullptr);
  float zmax = 0;
  for (const auto& v : hall->vertices) zmax = std::max(zmax, std::fabs(v[2]));
  EXPECT_GT(zmax, 300.0f);
  for (const TOOL_KrmMesh& m : weird.meshes) {
    if (&m == hall) continue;
    for (const auto& v : m.vertices) EXPECT_TRUE(std::fabs(v[0]) > 30.0f || std::fabs(v[1]) > 24.0f) << m.name;
  }

  // box: the camera flies at y = 0; towers stay below -260 and hanging blocks above 260.
  for (const TOOL_KrmMesh& m : MKC_SceneBox().meshes)
    for (const auto& v : m.vertices) EXPECT_GE(std::fabs(v[1]), 260.0f) << m.name;

  // fan: the drawn blade reaches from near the centre to 100, and the first camera sees the
  // ring from outside it.
  TOOL_KrmScene fan = MKC_SceneFan();
  float rmin = 1e9f, rmax = 0;
  for (const auto& v : fan.meshes[0].vertices) {
    float r = std::hypot(v[0], v[1]);
    rmin = std::min(rmin, r), rmax = std::max(rmax, r);
  }
  EXPECT_LT(rmin, 20.0f);
  EXPECT_NEAR(rmax, 100.0f, 1.0f);
  ASSERT_FALSE(fan.cameras.empty());
  EXPECT_GT(std::fabs(fan.cameras[0].position[2]), rmax);

  TOOL_KrmScene sphere = MKC_SceneSphere();
  EXPECT_EQ(sphere.meshes[0].flags & MKC_MESH_SMOOTH, MKC_MESH_SMOOTH);
  EXPECT_GE(sphere.meshes[0].polys.size(), 1000u);
}

TEST(MkcImages, FontSheetHas52GlyphsInWholeBlocksEachFollowedByAnEmptyBlock) {
  MKC_Art sheet = MKC_FontSheet();
  ASSERT_EQ(sheet.alpha.width, sheet.colour.width);
  const int w = sheet.alpha.width;
  std::vector<bool> ink(std::size_t(w), false);
  for (int x = 0; x < w; x++)
    for (int y = 0; y < sheet.alpha.height; y++)
      if (std::lround(sheet.alpha.at(x, y) * 255.0f) > 0) ink[std::size_t(x)] = true;
  int runs = 0;
  for (int x = 0; x < w; x++) {
    if (!ink[std::size_t(x)] || (x > 0 && ink[std::size_t(x - 1)])) continue;
    runs++;
    int end = x;
    while (end < w && ink[std::size_t(end)]) end++;
    // The next whole 8-column block after the glyph holds no ink at all.
    // Glyphs own whole 8-column blocks, and a whole empty block follows each.
    EXPECT_EQ(x % 8, 0) << "glyph " << runs;
    EXPECT_EQ(end % 8, 0) << "glyph " << runs;
    ASSERT_LE(end + 8, w);
    for (int k = end; k < end + 8; k++) EXPECT_FALSE(ink[std::size_t(k)]) << "after glyph " << runs;
  }
  EXPECT_EQ(runs, 52);
  EXPECT_EQ(std::string(MKC_FontOrder).size(), 52u);
}

TEST(MkcImages, WrappingTexturesTileWithoutASeam) {
  const std::vector<std::string> tiling = {"baby",  "gradient1", "abstract", "contours", "rings", "stone",
                                           "metal", "tiles",     "hall",     "panel",    "glow",  "core"};
  for (const MKC_ImageEntry& e : MKC_ImageEntries()) {
    bool tiles = false;
    for (const std::string& t : tiling) tiles = tiles || e.path.find("/" + t + ".jpg") != std::string::npos;
    if (!tiles) continue;
    MKC_Canvas c = e.draw().colour;
    // The jump across the wrap compared with the jumps between neighbours inside.
    auto column_step = [&](int a, int b) {
      double sum = 0;
      for (int y = 0; y < c.height; y++)
        for (int k = 0; k < 3; k++) sum += std::fabs(c.at(a, y)[k] - c.at(b, y)[k]);
      return sum / c.height;
    };
    auto row_step = [&](int a, int b) {
      double sum = 0;
      for (int x = 0; x < c.width; x++)
        for (int k = 0; k < 3; k++) sum += std::fabs(c.at(x, a)[k] - c.at(x, b)[k]);
      return sum / c.width;
    };
    double inside = 0, insideRows = 0;
    for (int x = 1; x < c.width; x++) inside += column_step(x - 1, x) / (c.width - 1);
    for (int y = 1; y < c.height; y++) insideRows += row_step(y - 1, y) / (c.height - 1);
    EXPECT_LE(column_step(c.width - 1, 0), inside * 3.0 + 0.01) << e.path;
    EXPECT_LE(row_step(c.height - 1, 0), insideRows * 3.0 + 0.01) << e.path;
  }
}

TEST(MkcClips, EveryClipMovesAndLoopsBackToItsFirstFrame) {
  for (const MKC_ClipEntry& e : MKC_ClipEntries()) {
    MKC_Canvas first(MKC_CLIP_WIDTH, MKC_CLIP_HEIGHT), second(MKC_CLIP_WIDTH, MKC_CLIP_HEIGHT),
        after(MKC_CLIP_WIDTH, MKC_CLIP_HEIGHT);
    e.render(first, 0, e.frames);
    e.render(second, 1, e.frames);
    e.render(after, e.frames, e.frames);  // the frame that would follow the last
    double moved = 0, wrapped = 0;
    for (std::size_t i = 0; i < first.px.size(); i++) {
      moved += std::fabs(first.px[i] - second.px[i]);
      wrapped += std::fabs(first.px[i] - after.px[i]);
    }
    moved /= double(first.px.size());
    wrapped /= double(first.px.size());
    EXPECT_GT(moved, 1.0 / 255.0) << e.name;
    EXPECT_LT(wrapped, 0.25 / 255.0) << e.name;
  }
}

TEST(MkcMusic, SoundtrackOutlastsTheShowWithABeatInEverySection) {
  std::vector<std::int16_t> pcm = MKC_RenderSoundtrack();
  ASSERT_EQ(pcm.size(), std::size_t(MKC_MUSIC_SECONDS * MKC_MUSIC_RATE) * 2);
  EXPECT_GE(MKC_MUSIC_SECONDS, 320.0);
  auto rms = [&](double from, double to) {
    double sum = 0;
    std::size_t a = std::size_t(from * MKC_MUSIC_RATE) * 2, b = std::size_t(to * MKC_MUSIC_RATE) * 2;
    for (std::size_t i = a; i < b; i++) sum += double(pcm[i]) * pcm[i];
    return std::sqrt(sum / double(b - a)) / 32768.0;
  };
  // Sections with drums: loud bars, and a kick on the beat (the first 20 ms of a beat louder
  // than the 20 ms just before it).
  for (double at : {20.0, 40.0, 60.0, 100.0, 130.0, 240.0, 260.0}) {
    EXPECT_GT(rms(at, at + 2.0), 0.08) << at;
    double beats = 0;
    for (int b = 0; b < 4; b++)
      beats += rms(at + b * 0.5, at + b * 0.5 + 0.02) - rms(at + b * 0.5 - 0.02, at + b * 0.5);
    EXPECT_GT(beats, 0.0) << at;
  }
  EXPECT_GT(rms(2.0, 10.0), 0.005);                                  // the intro is quiet but not silent
  EXPECT_LT(rms(MKC_MUSIC_SECONDS - 0.2, MKC_MUSIC_SECONDS), 0.01);  // and the end fades out
  std::int16_t peak = 0;
  for (std::int16_t s : pcm) peak = std::max<std::int16_t>(peak, std::int16_t(std::abs(s)));
  EXPECT_LE(peak, 30000);
}

TEST(MkcProcess, EncodersAreRunWithoutAShellAndTheirFailuresAreSeen) {
  vt::TempDir dir;
  EXPECT_FALSE(MKC_Run({"mkcontent-no-such-program"}));
  EXPECT_FALSE(MKC_Run({"sh", "-c", "exit 3"}));
  EXPECT_TRUE(MKC_Run({"true"}));
  MKC_Process p;
  std::string out = dir.file("fed file");  // a space in the name reaches the child intact
  ASSERT_TRUE(MKC_Start(p, {"sh", "-c", "cat > \"$0\"", out}, true));
  std::vector<std::uint8_t> bytes(200000, 7);
  EXPECT_TRUE(MKC_Feed(p, bytes.data(), bytes.size()));
  EXPECT_TRUE(MKC_Finish(p));
  EXPECT_EQ(vt::ReadFile(out), bytes);

  // A child that stops reading early makes the feed fail instead of killing the generator.
  MKC_Process quitter;
  ASSERT_TRUE(MKC_Start(quitter, {"true"}, true));
  bool fed = true;
  for (int i = 0; i < 100 && fed; i++) fed = MKC_Feed(quitter, bytes.data(), bytes.size());
  EXPECT_FALSE(fed);
  EXPECT_TRUE(MKC_Finish(quitter));

  std::vector<std::int16_t> pcm = {1, -1, 300, -300};
  ASSERT_TRUE(MKC_WriteWav(dir.file("a.wav"), pcm, 22050));
  std::vector<std::uint8_t> wav = vt::ReadFile(dir.file("a.wav"));
  ASSERT_EQ(wav.size(), 44u + 8u);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(wav[22], 2);                       // channels
  EXPECT_EQ(wav[24] | (wav[25] << 8), 22050);  // rate
  EXPECT_EQ(wav[40], 8);                       // data bytes
  EXPECT_EQ(wav[48] | (wav[49] << 8), 300);
}

}  // namespace

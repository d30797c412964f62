// Checks a generated content pack (the folder in MKCONTENT_OUT, holding data/) through the
// show's own loaders: every file content loading names is found by the show's spelling, the
// pictures and textures load at the sizes their effects need, the font cuts into its 52 glyphs,
// the scenes load with their meshes and lights, and the soundtrack outlasts the show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/kr_krm.h"
#include "engine/kr_scene.h"
#include "gfx/gfx_material.h"
#include "gfx/img_image.h"
#include "platform/pl_fsound.h"
#include "platform/pl_platform.h"
#include "tests/support/test_util.h"

namespace fs = std::filesystem;

namespace {

// Every file content loading opens, spelled as the show spells it.
const char* const kShowFiles[] = {
    "data\\graphics\\loading.jpg",
    "data\\graphics\\mask.jpg",
    "data\\graphics\\videofaen.jpg",
    "data\\graphics\\videofaen ALPHA.jpg",
    "data\\graphics\\videofaen2.jpg",
    "data\\graphics\\videofaen2 ALPHA.jpg",
    "data\\graphics\\couple.jpg",
    "data\\fonts\\alient.jpg",
    "data\\fonts\\weird.jpg",
    "data\\video\\steps2.clp",
    "data\\video\\scroll.clp",
    "data\\3d\\textures\\orangenv.jpg",
    "data\\textures\\phong.jpg",
    "data\\3d\\textures\\baby.jpg",
    "data\\3d\\textures\\gradient1.jpg",
    "data\\3d\\textures\\clock.jpg",
    "data\\3d\\fan\\fan.krm",
    "data\\3d\\fjall\\fan.krm",
    "data\\3d\\cylinder\\cylinder.krm",
    "data\\graphics\\hands.jpg",
    "data\\graphics\\beauty.jpg",
    "data\\graphics\\napscroll.jpg",
    "data\\3d\\textures\\lens.jpg",
    "data\\textures\\smoke.jpg",
    "data\\textures\\abstract.jpg",
    "data\\graphics\\greets.jpg",
    "data\\3d\\mu\\mu4.krm",
    "data\\3d\\mu\\weird.krm",
    "data\\3d\\mu\\box.krm",
    "data\\graphics\\logo TEXT.jpg",
    "data\\graphics\\logo ALPHA.jpg",
    "data\\graphics\\kvt TEXT.jpg",
    "data\\graphics\\kvt ALPHA.jpg",
    "data\\graphics\\logo BACK.jpg",
    "data\\graphics\\grid.jpg",
    "data\\graphics\\grid2 ALPHA.jpg",
    "data\\graphics\\chocochip.jpg",
    "data\\graphics\\chocochip ALPHA.jpg",
    "data\\graphics\\crapbar2back.jpg",
    "data\\graphics\\crapbar2txt1.jpg",
    "data\\graphics\\crapbar2txt1 ALPHA.jpg",
    "data\\graphics\\crapbar2txt2.jpg",
    "data\\graphics\\crapbar2txt2 ALPHA.jpg",
    "data\\graphics\\society.jpg",
    "data\\3d\\sphere\\sphere.krm",
    "data\\video\\fa_street2.clp",
    "data\\video\\fa_street3.clp",
    "data\\video\\dj.clp",
    "data\\music\\soundtrack_56k.mp3",
};

struct Image {
  IMG_Image* image = nullptr;
  explicit Image(const std::string& name) : image(IMG_ImageLoad(name.c_str())) {}
  Image(IMG_Image* i) : image(i) {}
  ~Image() { IMG_ImageDelete(image); }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
};

// Runs every check from the pack's folder, as the show runs from its own.
struct Pack : ::testing::Test {
  static fs::path root() {
    const char* out = std::getenv("MKCONTENT_OUT");
    return out ? fs::path(out) : fs::path();
  }
  std::unique_ptr<vt::ChangeDir> cd;
  void SetUp() override {
    if (root().empty()) GTEST_SKIP() << "MKCONTENT_OUT names no generated pack";
    cd = std::make_unique<vt::ChangeDir>(root());
  }
};

TEST_F(Pack, EveryFileContentLoadingOpensIsThereUnderItsOwnSpelling) {
  for (const char* name : kShowFiles) {
    std::string plain = name;
    for (char& c : plain)
      if (c == '\\') c = '/';
    EXPECT_TRUE(fs::is_regular_file(plain)) << plain << " (written as the show spells it)";
    std::FILE* f = PL_Fopen(name, "rb");
    EXPECT_NE(f, nullptr) << name;
    if (f) std::fclose(f);
  }
}

TEST_F(Pack, PicturesAndTexturesLoadAtTheSizesTheirEffectsUse) {
  struct Size {
    const char* name;
    int width, height;
  };
  const Size pictures[] = {
      {"loading", 640, 480},    {"couple", 640, 480},     {"hands", 640, 480},      {"beauty", 640, 480},
      {"greets", 640, 480},     {"society", 640, 480},    {"logo TEXT", 640, 480},  {"kvt TEXT", 640, 480},
      {"grid", 640, 480},       {"videofaen", 320, 240},  {"videofaen2", 320, 240}, {"logo BACK", 640, 0},
      {"crapbar2back", 640, 0}, {"crapbar2txt1", 640, 0}, {"crapbar2txt2", 640, 0}, {"chocochip", 0, 0},
  };
  for (const Size& s : pictures) {
    Image img("data\\graphics\\" + std::string(s.name) + ".jpg");
    ASSERT_NE(img.image, nullptr) << s.name;
    EXPECT_EQ(img.image->format, IMG_RGB);
    if (s.width) {
      EXPECT_EQ(img.image->width, s.width) << s.name;
    }
    if (s.height) {
      EXPECT_EQ(img.image->height, s.height) << s.name;
    }
  }
  // The scroll runs 3815 pixels and then shows a whole screen.
  Image nap("data\\graphics\\napscroll.jpg");
  ASSERT_NE(nap.image, nullptr);
  EXPECT_GE(nap.image->width, 3815 + 640);
  EXPECT_EQ(nap.image->height, 480);
  // Textures are square powers of two; the smoke sheet holds 8 x 8 frames.
  for (const char* t :
       {"data\\3d\\textures\\orangenv.jpg", "data\\textures\\phong.jpg", "data\\3d\\textures\\baby.jpg",
        "data\\3d\\textures\\gradient1.jpg", "data\\3d\\textures\\clock.jpg", "data\\3d\\textures\\lens.jpg",
        "data\\textures\\smoke.jpg", "data\\textures\\abstract.jpg", "data\\graphics\\mask.jpg"}) {
    Image img(t);
    ASSERT_NE(img.image, nullptr) << t;
    EXPECT_EQ(img.image->width, img.image->height) << t;
    EXPECT_EQ(img.image->width & (img.image->width - 1), 0) << t;
  }
}

TEST_F(Pack, AlphaPicturesCombineAndTheClipOverlaysCoverAClip) {
  const char* const pairs[][2] = {
      {"videofaen", "videofaen ALPHA"},
      {"videofaen2", "videofaen2 ALPHA"},
      {"logo TEXT", "logo ALPHA"},
      {"kvt TEXT", "kvt ALPHA"},
      {"grid", "grid2 ALPHA"},
      {"chocochip", "chocochip ALPHA"},
      {"crapbar2txt1", "crapbar2txt1 ALPHA"},
      {"crapbar2txt2", "crapbar2txt2 ALPHA"},
  };
  for (const auto& pair : pairs) {
    Image colour("data\\graphics\\" + std::string(pair[0]) + ".jpg"),
        mask("data\\graphics\\" + std::string(pair[1]) + ".jpg");
    ASSERT_NE(colour.image, nullptr) << pair[0];
    ASSERT_NE(mask.image, nullptr) << pair[1];
    Image rgba(IMG_ImageCombineAlpha(colour.image, mask.image));
    ASSERT_NE(rgba.image, nullptr) << pair[0];
    // Something shows and something is see-through.
    int opaque = 0, clear = 0;
    for (int i = 0; i < rgba.image->width * rgba.image->height; i++) {
      std::uint8_t a = rgba.image->data[i * 4 + 3];
      opaque += a > 200;
      clear += a < 20;
    }
    EXPECT_GT(opaque, 0) << pair[0];
    EXPECT_GT(clear, 0) << pair[0];
    if (std::string(pair[0]).rfind("videofaen", 0) == 0) {
      EXPECT_GE(rgba.image->width * rgba.image->height, 320 * 240);
    }
  }
}

TEST_F(Pack, AtLeastOneJpegIsStoredComplementedAndLoadsLikeAPlainOne) {
  int complemented = 0;
  for (const auto& entry : fs::recursive_directory_iterator("data")) {
    if (entry.path().extension() != ".jpg") continue;
    std::vector<std::uint8_t> head = vt::ReadFile(entry.path().string());
    ASSERT_GE(head.size(), 8u);
    if (head[0] != 0x56 || head[1] != 0x34 || head[2] != 0x12 || head[3] != 0x00) continue;
    complemented++;
    Image img(entry.path().string());
    ASSERT_NE(img.image, nullptr) << entry.path();
    EXPECT_GT(img.image->width, 0);
  }
  EXPECT_GE(complemented, 1);
}

TEST_F(Pack, TheFontSheetCutsIntoTheCharacterMapsFiftyTwoGlyphs) {
  Image colour("data\\fonts\\alient.jpg"), alpha("data\\fonts\\weird.jpg");
  ASSERT_NE(colour.image, nullptr);
  ASSERT_NE(alpha.image, nullptr);
  Image sheet(IMG_ImageCombineAlpha(colour.image, alpha.image));
  ASSERT_NE(sheet.image, nullptr);
  // The cutter's rule: a glyph is a run of columns holding a pixel with non-zero alpha.
  const int w = sheet.image->width, h = sheet.image->height;
  int glyphs = 0;
  bool inside = false;
  for (int x = 0; x < w; x++) {
    bool ink = false;
    for (int y = 0; y < h && !ink; y++) ink = sheet.image->data[(y * w + x) * 4 + 3] != 0;
    if (ink && !inside) glyphs++;
    inside = ink;
  }
  EXPECT_EQ(glyphs, 52);
  EXPECT_FALSE(inside) << "the last glyph must not touch the right edge";
}

// A scene as content loading loads it, deleted when the check is done.
struct Scene {
  KR_Scene* scene;
  Scene(const char* file, const char* textures, const char* name) : scene(KR_ImpLoadKrm(file, textures, name)) {}
  ~Scene() { KR_SceneDelete(scene); }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;
  KR_Mesh* mesh(int i) const { return scene->meshes[i]; }
};

// Every edge of the mesh is shared by two polygon sides: shadow volumes need closed meshes.
bool closed(const KR_Mesh* m) {
  for (int e = 0; e < m->edgeCount; e++)
    if (m->edges[e].useCount != 2) return false;
  return m->edgeCount > 0;
}

TEST_F(Pack, ScenesLoadWithTheirMeshesLightsCamerasAndTextures) {
  struct Expect {
    const char *file, *textures, *name;
    int minMeshes, lights;
  };
  const Expect scenes[] = {
      {"data\\3d\\fan\\fan.krm", "data\\3d\\fan\\textures\\", "fan", 2, 0},
      {"data\\3d\\fjall\\fan.krm", "data\\3d\\fjall\\textures\\", "fan", 1, 0},
      {"data\\3d\\cylinder\\cylinder.krm", "data\\3d\\cylinder\\textures\\", "fan", 1, 0},
      {"data\\3d\\sphere\\sphere.krm", "data\\3d\\sphere\\textures\\", "sphere", 1, 0},
      {"data\\3d\\mu\\mu4.krm", "data\\3d\\mu\\", nullptr, 14, 2},
      {"data\\3d\\mu\\weird.krm", "data\\3d\\mu\\", nullptr, 2, 4},
      {"data\\3d\\mu\\box.krm", "data\\3d\\mu\\box\\", nullptr, 2, 3},
  };
  for (const Expect& e : scenes) {
    Scene s(e.file, e.textures, e.name);
    ASSERT_NE(s.scene, nullptr) << e.file;
    EXPECT_GE(s.scene->meshCount, e.minMeshes) << e.file;
    EXPECT_EQ(s.scene->lightCount, e.lights) << e.file;
    EXPECT_GE(s.scene->cameraCount, 1) << e.file;
    for (int m = 0; m < s.scene->meshCount; m++) EXPECT_GT(s.mesh(m)->polyCount, 0) << e.file;
    // Each material was made from its texture file, not the white stand-in for a missing one.
    for (int i = 0; i < s.scene->materialCount; i++) {
      const GFX_Material* mat = s.scene->materials[i];
      EXPECT_NE(mat->image, nullptr) << e.file << " material " << i;
      EXPECT_NE(mat->name[0], '\0') << e.file << " material " << i;
    }
  }

  // The shadowed sets: closed, shadow-casting, lightmapped meshes; mu4's 14th spins in place.
  for (const char* file : {"data\\3d\\mu\\mu4.krm", "data\\3d\\mu\\weird.krm"}) {
    Scene s(file, "data\\3d\\mu\\", nullptr);
    ASSERT_NE(s.scene, nullptr);
    int shadowing = 0;
    for (int m = 0; m < s.scene->meshCount; m++) {
      EXPECT_TRUE(s.mesh(m)->lightmapped) << file << " " << s.mesh(m)->name;
      if (!s.mesh(m)->castsShadows) continue;
      shadowing++;
      EXPECT_TRUE(closed(s.mesh(m))) << file << " " << s.mesh(m)->name;
    }
    EXPECT_GE(shadowing, s.scene->meshCount - 1) << file;
  }
  Scene weird("data\\3d\\mu\\weird.krm", "data\\3d\\mu\\", nullptr);
  for (int i = 0; i < weird.scene->lightCount; i++) {
    EXPECT_EQ(weird.scene->lights[i]->rangeMode, 1);
    EXPECT_EQ(weird.scene->lights[i]->range, 250.0f);
  }
  // The fjall camera's field of view is given in radians (the section turns it into degrees).
  Scene fjall("data\\3d\\fjall\\fan.krm", "data\\3d\\fjall\\textures\\", "fan");
  EXPECT_GT(fjall.scene->cameras[0]->fov, 0.5f);
  EXPECT_LT(fjall.scene->cameras[0]->fov, 2.5f);
  Scene sphere("data\\3d\\sphere\\sphere.krm", "data\\3d\\sphere\\textures\\", "sphere");
  EXPECT_GE(sphere.mesh(0)->polyCount, 1000);
  EXPECT_NE(sphere.mesh(0)->polys[0].smoothing, 0);

  // At least one scene file is stored packed.
  int packed = 0;
  for (const auto& entry : fs::recursive_directory_iterator("data"))
    if (entry.path().extension() == ".krm") {
      std::vector<std::uint8_t> head = vt::ReadFile(entry.path().string());
      packed += head.size() > 2 && !(head[0] == 0xBE && head[1] == 0xBA);
    }
  EXPECT_GE(packed, 1);
}

std::int32_t le32(const std::vector<std::uint8_t>& d, std::size_t at) {
  return std::int32_t(std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16 |
                      std::uint32_t(d[at + 3]) << 24);
}

TEST_F(Pack, ClipsAreCLPFilesOfSimpleProfileFramesThatTheClipDecoderPlays) {
  const struct {
    const char* name;
    int frames;
  } clips[] = {{"steps2", 250}, {"scroll", 300}, {"fa_street2", 200}, {"fa_street3", 200}, {"dj", 500}};
  for (const auto& c : clips) {
    std::string path = std::string("data/video/") + c.name + ".clp";
    std::vector<std::uint8_t> d = vt::ReadFile(path);
    ASSERT_GE(d.size(), 21u) << path;
    EXPECT_EQ(std::string(d.begin(), d.begin() + 4), "CLP1") << path;
    EXPECT_EQ(le32(d, 9), 320);
    EXPECT_EQ(le32(d, 13), 240);
    float fps;
    std::uint32_t bits = std::uint32_t(le32(d, 17));
    std::memcpy(&fps, &bits, 4);
    EXPECT_EQ(fps, 25.0f) << path;
    // One record a frame: the first (and every other key frame's) carries the video object and
    // layer headers before its VOP, the others start with their VOP.
    int records = 0;
    for (std::size_t at = 21; at + 8 <= d.size();) {
      std::int32_t length = le32(d, at);
      ASSERT_GT(length, 4) << path << " record " << records;
      ASSERT_LE(std::size_t(length), 320u * 240u * 3u);
      ASSERT_LE(at + 8 + std::size_t(length), d.size()) << path;
      const std::uint8_t* p = &d[at + 8];
      EXPECT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 1) << path << " record " << records;
      if (records == 0)
        EXPECT_LE(p[3], 0x2F) << "headers first";
      else
        EXPECT_TRUE(p[3] <= 0x2F || p[3] == 0xB6) << path << " record " << records;
      at += 8 + std::size_t(length);
      records++;
    }
    EXPECT_EQ(records, c.frames) << path;

    // The clip decoder plays every frame with the clip library's settings, and the picture moves.
    std::string out = (fs::temp_directory_path() / ("mkcontent-check-" + std::string(c.name) + ".bgra")).string();
    std::string command = "\"" + std::string(CLPDEC_PATH) + "\" --bgra --post 100 " + path + " " + out;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<std::uint8_t> frames = vt::ReadFile(out);
    std::remove(out.c_str());
    const std::size_t frameBytes = 320u * 240u * 4u;
    ASSERT_EQ(frames.size(), frameBytes * std::size_t(c.frames)) << path;
    EXPECT_FALSE(std::equal(frames.begin(), frames.begin() + std::ptrdiff_t(frameBytes),
                            frames.end() - std::ptrdiff_t(frameBytes)))
        << path;
  }
}

TEST_F(Pack, TheSoundtrackPlaysThroughTheSoundLayerForLongerThanTheShow) {
  ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND));
  ASSERT_TRUE(FSOUND_Init(44100, 16, 0));
  FSOUND_STREAM* stream = FSOUND_Stream_OpenFile("data\\music\\soundtrack_56k.mp3", 41, 0);
  ASSERT_NE(stream, nullptr) << FSOUND_GetError();
  // Lengths are sample frames at the stream's rate: 22050 for this 56 kbit/s stereo file.
  std::vector<std::uint8_t> head = vt::ReadFile("data/music/soundtrack_56k.mp3");
  ASSERT_GE(head.size(), 4u);
  EXPECT_EQ(head[0], 0xFF);
  EXPECT_EQ((head[2] >> 2) & 3, 0) << "22050 Hz in an MPEG-2 header";
  double seconds = double(FSOUND_Stream_GetLength(stream)) / 22050.0;
  EXPECT_GE(seconds, 320.0);
  EXPECT_LT(seconds, 330.0);
  FSOUND_Stream_Close(stream);
  FSOUND_Close();
}

}  // namespace

// Content loading on the do-nothing driver: the scene sets' null-terminated arrays, every file
// of the default pack opened once, the shared default material surviving the alpha pictures,
// and a pack with files missing or damaged: one report naming exactly those files, and every
// global there and usable.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_picture.h"
#include "gfx/img_image.h"
#include "show/demo.h"
#include "show/demo_content.h"
#include "show/text.h"
#include "show/video.h"
#include "tests/support/content_pack.h"
#include "tests/support/driver_log.h"
#include "tools/common/tool_krm_write.h"

namespace fs = std::filesystem;

namespace {

class Content : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(vt::NullDriverSelect());
    ASSERT_FALSE(vt::ContentPack().empty()) << "mkcontent failed";
  }
  void TearDown() override { VIDEO_Shutdown(); }
  // Loads the content of the current folder; the loading report, line by line (the clip
  // library writes notes of its own on standard error, before the report).
  static std::vector<std::string> Load() {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(DEMO_LoadContent(1), 1);
    std::istringstream text(::testing::internal::GetCapturedStderr());
    std::vector<std::string> lines;
    int reports = 0;
    for (std::string line; std::getline(text, line);) {
      if (line.rfind("velmar: ", 0) == 0) reports++;
      if (reports) lines.push_back(line);
    }
    EXPECT_LE(reports, 1);
    return lines;
  }
};

// The null-terminated copy of a scene list.
template <typename T>
void ExpectCopy(T** array, T** list, int count) {
  ASSERT_NE(array, nullptr);
  for (int i = 0; i < count; i++) EXPECT_EQ(array[i], list[i]) << i;
  EXPECT_EQ(array[count], nullptr);
}

TEST_F(Content, SceneSetsHoldNullTerminatedCopiesOfTheirLists) {
  vt::ChangeDir cd(vt::ContentPack());
  EXPECT_EQ(Load(), std::vector<std::string>{});
  for (DEMO_SceneSet* set : {DEMO_mu4Set, DEMO_weirdSet, DEMO_boxSet}) {
    ASSERT_NE(set, nullptr);
    ExpectCopy(set->lights, set->scene->lights, set->scene->lightCount);
    ExpectCopy(set->meshes, set->scene->meshes, set->scene->meshCount);
    EXPECT_EQ(set->drawList, set->meshes);
  }
  // A scene without lights.
  vt::TempDir dir;
  TOOL_KrmScene krm;
  krm.materials.push_back({});
  krm.materials[0].texture = ".255";
  krm.meshes.push_back({});
  krm.meshes[0].name = "one";
  krm.meshes[0].vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  krm.meshes[0].polys.push_back({0, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, 0});
  ASSERT_TRUE(TOOL_KrmWriteFile(dir.file("dark.krm"), krm));
  DEMO_SceneSet* dark = DEMO_LoadScene(dir.file("dark.krm").c_str(), nullptr);
  ASSERT_NE(dark, nullptr);
  EXPECT_EQ(dark->lights[0], nullptr);
  ExpectCopy(dark->meshes, dark->scene->meshes, 1);
  DEMO_SceneSetDelete(dark);
  EXPECT_EQ(DEMO_LoadScene(dir.file("absent.krm").c_str(), nullptr), nullptr);
}

// Every file of the pack but the soundtrack is opened exactly once; only a scene's textures
// (looked up by each scene that names them) may be opened more often.
TEST_F(Content, EveryFileIsOpenedOnce) {
  // A private copy: other test processes read the shared pack at the same time.
  vt::ContentPackCopy pack;
  const int fd = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(fd, 0);
  std::map<int, fs::path> folders;
  folders[inotify_add_watch(fd, "data", IN_OPEN)] = "data";
  for (const auto& e : fs::recursive_directory_iterator("data"))
    if (e.is_directory()) folders[inotify_add_watch(fd, e.path().c_str(), IN_OPEN)] = e.path();
  Load();
  std::map<std::string, int> opens;
  alignas(inotify_event) char buffer[1 << 16];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
    for (char* p = buffer; p < buffer + n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(p);
      if (e->len && !(e->mask & IN_ISDIR)) opens[(folders[e->wd] / e->name).string()]++;
      p += sizeof(inotify_event) + e->len;
    }
  close(fd);
  for (const auto& e : fs::recursive_directory_iterator("data")) {
    if (!e.is_regular_file()) continue;
    const std::string path = e.path().string();
    const bool sceneTexture = path.rfind("data/3d/textures/", 0) != 0 && path.rfind("data/3d/", 0) == 0 &&
                              e.path().extension() != ".krm";
    if (e.path().extension() == ".mp3") EXPECT_EQ(opens[path], 0) << path;
    else if (sceneTexture) EXPECT_GE(opens[path], 1) << path;
    else EXPECT_EQ(opens[path], 1) << path;
  }
}

struct AlphaCase {
  const char* colour;
  const char* alpha;
};

// The alpha file has the default material's size, so that combining it with the default
// image would succeed.
TEST_F(Content, TheDefaultMaterialKeepsItsImageWhenAnAlphaPictureFileIsMissing) {
  vt::TempDir dir;
  IMG_Image* grey = IMG_ImageCreate(256, 256, IMG_RGB, 0);
  for (int i = 0; i < 256 * 256 * 3; i++) grey->data[i] = 128;
  ASSERT_TRUE(IMG_JpgSave(dir.file("alpha.jpg").c_str(), grey));
  ASSERT_TRUE(IMG_JpgSave(dir.file("colour.jpg").c_str(), grey));
  IMG_ImageDelete(grey);
  const std::string none = dir.file("none.jpg"), alpha = dir.file("alpha.jpg"), colour = dir.file("colour.jpg");
  for (const AlphaCase& c : {AlphaCase{none.c_str(), alpha.c_str()}, AlphaCase{colour.c_str(), none.c_str()},
                             AlphaCase{none.c_str(), none.c_str()}}) {
    ::testing::internal::CaptureStderr();
    GFX_Picture* picture = DEMO_PictureLoadAlpha(c.colour, c.alpha);
    ::testing::internal::GetCapturedStderr();
    ASSERT_NE(picture, nullptr) << c.colour;
    GFX_Material* shared = GFX_MaterialDefault();
    ASSERT_NE(shared->image, nullptr) << c.colour;
    EXPECT_EQ(shared->image->format, IMG_RGB);
    ASSERT_EQ(shared->image->width * shared->image->height, 256 * 256);
    const std::vector<std::uint8_t> pixels(shared->image->data, shared->image->data + 256 * 256 * 3);
    EXPECT_EQ(pixels, std::vector<std::uint8_t>(256 * 256 * 3, 255)) << c.colour;
    GFX_MaterialDelete(shared);
  }
}

// What a pack with a missing picture, scene, font and two clips and a damaged picture gives:
// one report, in loading order, naming those files as the show spells them.
TEST_F(Content, MissingAndDamagedFilesAreReportedOnceAndReplaced) {
  vt::ContentPackCopy pack;
  const std::vector<std::string> broken = {
      "data\\graphics\\couple.jpg", "data\\fonts\\alient.jpg", "data\\fonts\\weird.jpg", "data\\video\\steps2.clp",
      "data\\graphics\\hands.jpg",  "data\\3d\\mu\\mu4.krm",   "data\\video\\dj.clp"};
  for (const std::string& file : broken)
    if (file == "data\\graphics\\hands.jpg") pack.Damage(file);
    else pack.Remove(file);

  const std::vector<std::string> report = Load();
  std::string all;
  for (const std::string& line : report) all += line + "\n";
  ASSERT_EQ(report.size(), broken.size() + 1) << all;
  EXPECT_NE(report[0].find("7 content files could not be loaded"), std::string::npos) << report[0];
  for (std::size_t i = 0; i < broken.size(); i++)
    EXPECT_EQ(report[i + 1].substr(0, broken[i].size() + 4), "  " + broken[i] + ": ") << report[i + 1];

  for (GFX_Picture* p : {DEMO_loadingPicture, DEMO_couplePicture, DEMO_handsPicture, DEMO_beautyPicture,
                         DEMO_napscrollPicture, DEMO_greetsPicture, DEMO_logoPicture, DEMO_groupPicture,
                         DEMO_logoBackPicture, DEMO_gridPicture, DEMO_chocochipPicture, DEMO_barBackPicture,
                         DEMO_barText1Picture, DEMO_barText2Picture, DEMO_societyPicture})
    ASSERT_NE(p, nullptr);
  for (GFX_Material* m : {DEMO_maskTexture, DEMO_orangenvTexture, DEMO_phongTexture, DEMO_babyTexture,
                          DEMO_gradient1Texture, DEMO_clockTexture, DEMO_lensTexture, DEMO_smokeTexture,
                          DEMO_abstractTexture, DEMO_clip200, DEMO_clip201, DEMO_clip202})
    ASSERT_NE(m, nullptr);
  ASSERT_TRUE(DEMO_fog1 && DEMO_fog2 && DEMO_font && VIDEO_overlay1 && VIDEO_overlay2);
  // Only the blank: no glyph cut from a white stand-in sheet.
  EXPECT_EQ(DEMO_font->count, 1);
  ASSERT_TRUE(VIDEO_player1 && VIDEO_player2);
  EXPECT_EQ(VIDEO_player1->stream, nullptr);

  // What the effects reach into without a check.
  for (KR_Scene* s : {DEMO_fanScene, DEMO_fjallScene}) ASSERT_TRUE(s && s->cameraCount >= 1 && s->cameras[0]);
  for (KR_Scene* s : {DEMO_cylinderScene, DEMO_sphereScene}) ASSERT_TRUE(s && s->meshCount >= 1 && s->meshes[0]);
  EXPECT_EQ(DEMO_cylinderScene->meshes[0]->polys[0].lightmap, DEMO_babyTexture);
  ASSERT_TRUE(DEMO_mu4Set && DEMO_weirdSet && DEMO_boxSet);
  ASSERT_GE(DEMO_mu4Set->scene->lightCount, 2);
  ExpectCopy(DEMO_mu4Set->meshes, DEMO_mu4Set->scene->meshes, DEMO_mu4Set->scene->meshCount);
  ASSERT_GE(DEMO_mu4Set->scene->meshCount, 14);
  ASSERT_GE(DEMO_mu4Set->meshes[13]->polyCount, 1);
  EXPECT_NE(DEMO_mu4Set->meshes[13]->polys[0].material, nullptr);
  ASSERT_GE(DEMO_weirdSet->scene->lightCount, 4);

  // Drawn and played as the show does.
  GFX_BeginFrame();
  for (GFX_Picture* p : {DEMO_couplePicture, DEMO_handsPicture}) GFX_PictureDrawAlpha(0, 0, p, 0.5f);
  TEXT_DrawFaded("velmar 123", 100, 100, DEMO_font, 1.0f);
  for (KR_Mesh** m = DEMO_mu4Set->meshes; *m; m++) KR_MeshTransform(*m), KR_MeshRender(*m);
  VIDEO_StreamStart(VIDEO_player1);
  EXPECT_EQ(VIDEO_TextureShow(VIDEO_player1, DEMO_clip200), 0);
  VIDEO_StreamOpen(VIDEO_player2, "data\\video\\dj.clp");
  VIDEO_TextureUpdate(VIDEO_player2, DEMO_clip201);
  GFX_EndFrame();
}

}  // namespace

// OpenGL debug mode: an error made inside a driver function is reported with that function,
// the GL call (where KHR_debug names it) and the show's place, and counted; by the KHR_debug
// callback and by the glGetError fallback alike.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>

#include "gfx/gfx_ogl_debug.h"
#include "tests/support/gl_fixture.h"

namespace {

// The context the fixture makes is a debug context, as velmar's is in debug mode.
const int g_debug = setenv("VELMAR_GL_DEBUG", "1", 1);

void place(char* text, int size) { std::snprintf(text, std::size_t(size), "section 7 at 1.500 s"); }

// A driver function with a mistake in it: no matrix mode 0x1234.
void MistakenDriverFunction() {
  GFX_OGL_ENTRY();
  glMatrixMode(0x1234);
}

struct Case {
  int wanted;        // as GFX_OglDebugStart takes it
  const char* call;  // what the report names besides the driver function
};

void PrintTo(const Case& c, std::ostream* os) { *os << "mode " << c.wanted; }

class GfxOglDebug : public vt::GlTest, public ::testing::WithParamInterface<Case> {};

TEST_P(GfxOglDebug, ReportsAndCountsAnErrorWithTheDriverFunction) {
  ASSERT_EQ(g_debug, 0);
  const Case c = GetParam();
  ASSERT_EQ(GFX_OglDebugStart(c.wanted), c.wanted) << "no KHR_debug here";
  GFX_oglDebug.where = place;
  const int before = GFX_OglDebugErrors();
  ::testing::internal::CaptureStderr();
  MistakenDriverFunction();
  const std::string report = ::testing::internal::GetCapturedStderr();
  GFX_oglDebug.where = nullptr;
  EXPECT_EQ(GFX_OglDebugErrors(), before + 1);
  EXPECT_NE(report.find("OpenGL error in MistakenDriverFunction, section 7 at 1.500 s: "), std::string::npos) << report;
  EXPECT_NE(report.find(c.call), std::string::npos) << report;
}

INSTANTIATE_TEST_SUITE_P(Modes, GfxOglDebug,
                         ::testing::Values(Case{1, "glMatrixMode"}, Case{2, "GL_INVALID_ENUM"}),
                         [](const auto& info) { return std::string(info.param.wanted == 1 ? "KhrDebug" : "GetError"); });

}  // namespace

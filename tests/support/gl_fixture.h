// The shared OpenGL test fixture: one 640x480 window per test process with the OpenGL driver
// selected on it, its mode set (with 8 stencil bits) and the first perspective loaded; a reset
// to the driver's mode-set state between tests; read-back of the back buffer; and a screen
// quadrilateral built from the engine's polygon records.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/kr_mesh.h"

struct GFX_Material;

namespace vt {

constexpr int kGlWidth = 640;
constexpr int kGlHeight = 480;

// Opens the window and the driver the first time; false where no display can be opened.
bool GlOpen();
// Default render state as the mode set leaves it, texture layer 0, the 90-degree perspective
// loaded, the bind lock off, and all buffers cleared (colour black, depth 1, stencil 0).
void GlReset();

struct Rgba {
  std::uint8_t r, g, b, a;
};
// A pixel of the back buffer, x from the left and y from the top.
Rgba GlPixel(int x, int y);
// The whole back buffer as RGB rows from the top.
std::vector<std::uint8_t> GlReadRgb();
// True when every channel is within `tolerance` of the expected value.
::testing::AssertionResult RgbNear(Rgba got, int r, int g, int b, int tolerance = 2);

// A four-corner polygon with its own vertices, corners clockwise on screen from the top-left
// (the driver's front faces), texture coordinates (0, 0), (1, 0), (1, 1), (0, 1) on both layers.
struct Quad {
  KR_MeshVertex vertices[4];
  KR_MeshPoly poly;
  // Camera-space rectangle at depth z (screen units in the screen projection).
  Quad(float left, float top, float right, float bottom, float z, GFX_Material* material = nullptr);
  Quad(const Quad&) = delete;
  Quad& operator=(const Quad&) = delete;
  Quad& Colour(float r, float g, float b, float a = 1.0f);
  // Reverses the corner order (counter-clockwise on screen: a back face).
  Quad& Reverse();
};

// A material of `width` x `height` pixels of one colour (format 1 or 2: the fourth byte is
// `a`; format 3 is RGBA), texture created and image kept.
GFX_Material* GlSolidMaterial(int width, int height, int format, int r, int g, int b, int a = 255);

// The GL test case: skipped without a display, reset before each test.
class GlTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

}  // namespace vt

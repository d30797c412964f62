// The gallery: renders what the graphics layer draws into contact sheets for a person to look
// at. Each sheet draws a series of 640x480 frames through the driver and captures each as a
// captioned cell; the gallery lays the cells of all sheets out in one PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/gfx_driver.h"

struct GFX_Material;

constexpr int GAL_WIDTH = 640;
constexpr int GAL_HEIGHT = 480;

struct GAL_Cell {
  std::string caption;
  std::vector<std::uint8_t> rgb;  // GAL_WIDTH x GAL_HEIGHT, rows from the top
};

struct GAL_Page {
  std::string title;
  std::vector<GAL_Cell> cells;
};

// A sheet of the registry (tools/gallery/gallery.cpp): a short name for the command line, a title, and
// the function that draws and captures its cells.
struct GAL_Sheet {
  const char* name;
  const char* title;
  void (*render)(GAL_Page& page);
};

// Text in the captions' 5x7 font into RGB rows of width x height, each font pixel a
// scale x scale block, cut off maxWidth pixels to the right of x (-1: at the image's edge).
void GAL_Text(std::uint8_t* rgb, int width, int height, int x, int y, const char* text, int scale,
              const std::uint8_t ink[3], int maxWidth = -1);

// Starts a frame: the driver's mode-set state, the 90-degree perspective, texture layer 0, no
// stencil or fog, and the buffers cleared (colour to r, g, b).
void GAL_Begin(float r = 0.0f, float g = 0.0f, float b = 0.0f);
// Reads the frame back into a new cell of the page.
void GAL_Capture(GAL_Page& page, const char* caption);

// A quadrilateral drawn with GFX_DrawPolygon: corners clockwise on screen from the top-left,
// camera-space positions (x, y, z) each, one colour per corner (r, g, b, a), texture
// coordinates (0, 0) to (uMax, vMax) on both layers.
struct GAL_Quad {
  float x[4], y[4], z[4];
  float colour[4][4];
  float uMax = 1.0f, vMax = 1.0f;
  GFX_Material* material = nullptr;
  GFX_Material* lightmap = nullptr;
};
// An axis-aligned quad at depth z in one colour.
GAL_Quad GAL_Rect(float left, float top, float right, float bottom, float z, float r = 1.0f, float g = 1.0f,
                  float b = 1.0f, float a = 1.0f);
// Hands the quad as a polygon to a drawing function: GFX_DrawPolygon, GFX_QuadVertices inside
// a batch, GFX_DrawPolygonLightmapped, or one of the driver's variants.
int GAL_Draw(const GAL_Quad& quad, int (*draw)(KR_MeshPoly* poly) = GFX_DrawPolygon);

// A material from a generator of RGBA pixels, texture created and image kept.
GFX_Material* GAL_Material(int width, int height, int format,
                           void (*pixel)(int x, int y, std::uint8_t* rgba, const void* user), const void* user = nullptr);
// A checkerboard of two colours in squares of `square` pixels.
GFX_Material* GAL_Checker(int size, int square, const std::uint8_t a[3], const std::uint8_t b[3]);
void GAL_Release(GFX_Material* material);

// The sheets of the graphics layer.
void GAL_SheetDriver(GAL_Page& page);
void GAL_SheetMaterials(GAL_Page& page);
void GAL_SheetPictures(GAL_Page& page);
// The sheets of the 2D layer: picture, full-screen, sprite and fade draws; the render-target
// effects and the scissor bands.
void GAL_Sheet2d(GAL_Page& page);
void GAL_SheetEffects(GAL_Page& page);
// The sheet of the show's effect toolkit: text, sprites, fountain, smoke and glows.
void GAL_SheetToolkit(GAL_Page& page);

// The OpenGL driver's texture slots: creation, upload by image format, sub-image upload,
// deletion, and binding that skips a rebind of the material already bound.
#include "base/kr_error.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_ogl_debug.h"

namespace {

// Binds a material's texture for an upload. GL now has it bound, so it becomes the last bound
// material; otherwise a later tex_bind of the previous material would wrongly be skipped.
void bind_for_upload(GFX_Material* material) {
  glBindTexture(GL_TEXTURE_2D, material->texture);
  GFX_ogl.bindCount++;
  GFX_ogl.lastBound = material;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  GLint filter = GFX_ogl.filter ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  // Image rows have no padding; GL's default of 4-byte rows would read past the end of
  // RGB images whose width is not a multiple of 4.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

// Source layout of an image format: RGB for 1, RGBA for 2 and 3; 0 for anything else.
GLenum source_format(int format) {
  switch (format) {
    case IMG_RGB: return GL_RGB;
    case IMG_RGBX:
    case IMG_RGBA: return GL_RGBA;
    default: return 0;
  }
}

}  // namespace

int GFX_OglTexCreate(GFX_Material* material) {
  GFX_OGL_ENTRY();
  if (!material) {
    KR_Error("GFX_OglTexCreate - no material");
    return 0;
  }
  if (material->created) return 1;
  GLuint name = 0;
  glGenTextures(1, &name);
  material->texture = name;
  material->created = 1;
  return GFX_OglTexUpload(material);
}

int GFX_OglTexUpload(GFX_Material* material) {
  GFX_OGL_ENTRY();
  if (!material || !material->image || !material->image->data) {
    KR_Error("GFX_OglTexUpload - no image");
    return 0;
  }
  const IMG_Image* image = material->image;
  bind_for_upload(material);
  GLenum source = source_format(image->format);
  if (!source) {
    KR_Error("GFX_OglTexUpload - unknown image format (%d)", image->format);
    return 0;
  }
  // RGBX keeps its fourth byte out of the texture: it is not alpha.
  GLint internal = image->format == IMG_RGBA ? GL_RGBA8 : GL_RGB8;
  glTexImage2D(GL_TEXTURE_2D, 0, internal, image->width, image->height, 0, source, GL_UNSIGNED_BYTE, image->data);
  return 1;
}

int GFX_OglTexSubUpload(GFX_Material* material, int x, int y, int width, int height, const void* pixels) {
  GFX_OGL_ENTRY();
  if (!material || !material->image || !material->created) {
    KR_Error("GFX_OglTexSubUpload - no texture");
    return 0;
  }
  const IMG_Image* image = material->image;
  GLenum source = source_format(image->format);
  if (!source) {
    KR_Error("GFX_OglTexSubUpload - unknown image format (%d)", image->format);
    return 0;
  }
  // The texture is as large as the image it was made from.
  if (!pixels || x < 0 || y < 0 || width < 0 || height < 0 || width > image->width - x ||
      height > image->height - y) {
    KR_Error("GFX_OglTexSubUpload - bad area (%d, %d, %d x %d)", x, y, width, height);
    return 0;
  }
  bind_for_upload(material);
  glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, source, GL_UNSIGNED_BYTE, pixels);
  return 1;
}

int GFX_OglTexDelete(GFX_Material* material) {
  GFX_OGL_ENTRY();
  if (!material) return 0;
  if (material->created) {
    GLuint name = material->texture;
    glDeleteTextures(1, &name);
    material->texture = 0;
    material->created = 0;
  }
  // A texture name or a material address may come back for another material.
  if (GFX_ogl.lastBound == material) GFX_ogl.lastBound = nullptr;
  if (GFX_ogl.unit0 == material) GFX_ogl.unit0 = nullptr;
  if (GFX_ogl.unit1 == material) GFX_ogl.unit1 = nullptr;
  return 1;
}

int GFX_OglTexBind(GFX_Material* material) {
  GFX_OGL_ENTRY();
  if (GFX_ogl.bindLock) return 1;
  if (material && material != GFX_ogl.lastBound) {
    glBindTexture(GL_TEXTURE_2D, material->texture);
    GFX_ogl.bindCount++;
    GFX_ogl.lastBound = material;
  }
  return 1;
}

void GFX_OglBindRaw(GLuint texture) {
  GFX_OGL_ENTRY();
  glBindTexture(GL_TEXTURE_2D, texture);
  GFX_ogl.bindCount++;
  GFX_ogl.lastBound = nullptr;
}

// Named textures: each keeps its own RGBA copy next to the GL texture, lives in creation order and
// is found by exact name. Render targets share the registry; their half lives in render_target.cpp.
#include "assets/texture_registry.h"

#include <cstdio>
#include <cstring>

#include "assets/named_records.h"
#include "gfx/gl.h"

TextureRegistry* currentTextureRegistry = nullptr;

// Only memory is freed here: by the time the process exits the GL context may be gone, so every
// GL deletion belongs to release(). The process-wide pointer never outlives the registry it names.
TextureRegistry::~TextureRegistry() {
  if (currentTextureRegistry == this) currentTextureRegistry = nullptr;
}

void TextureRegistry::createTexture(const char* name, int32_t width, int32_t height,
                                    int32_t mipmapMode, const uint8_t* pixels, GLint minFilter,
                                    GLint magFilter) {
  auto texture = std::make_unique<Texture>();
  texture->name = name ? name : "";
  if (width < 0 || height < 0) {
    std::fprintf(stderr, "nightloom: warning: texture %s has a negative size %dx%d; made empty\n",
                 texture->name.c_str(), width, height);
    width = height = 0;
  }
  texture->width = width;
  texture->height = height;
  texture->target = GL_TEXTURE_2D;
  const size_t bytes = size_t(width) * size_t(height) * 4;
  texture->pixels.assign(bytes, 0);
  if (pixels && bytes > 0) std::memcpy(texture->pixels.data(), pixels, bytes);
  texture->mipmapMode = mipmapMode;
  texture->minFilter = minFilter;
  texture->magFilter = magFilter;
  texture->wrap = GL_CLAMP_TO_EDGE;

  glGenTextures(1, &texture->glId);
  glBindTexture(texture->target, texture->glId);
  glTexParameteri(texture->target, GL_TEXTURE_MAG_FILTER, magFilter);
  glTexParameteri(texture->target, GL_TEXTURE_MIN_FILTER, minFilter);
  glTexParameteri(texture->target, GL_TEXTURE_WRAP_S, texture->wrap);
  glTexParameteri(texture->target, GL_TEXTURE_WRAP_T, texture->wrap);
  // The record's own copy is uploaded rather than the caller's buffer, so a texture made without
  // pixels holds defined zeros on the GPU too (and GLU never sees a null buffer).
  const uint8_t* upload = texture->pixels.data();
  if (mipmapMode == kMipmapBuild) {
    // GLU rescales sizes that are not powers of two; the record keeps the size it was given.
    gluBuild2DMipmaps(texture->target, 4, width, height, GL_RGBA, GL_UNSIGNED_BYTE, upload);
  } else {
    glTexImage2D(texture->target, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, upload);
  }
  textureList.push_back(std::move(texture));
}

Texture* TextureRegistry::findTexture(const char* name) { return findByName(textureList, name); }

Texture* TextureRegistry::requireTexture(const char* name) {
  return requireByName(textureList, name, missing, "texture");
}

void TextureRegistry::release() {
  for (const std::unique_ptr<Texture>& texture : textureList) {
    glDeleteTextures(1, &texture->glId);
  }
  for (const std::unique_ptr<RenderTarget>& target : targetList) {
    gl::glDeleteFramebuffersEXT(1, &target->framebuffer);
    gl::glDeleteRenderbuffersEXT(1, &target->depthBuffer);
  }
  // Render targets point at textures, so they go first when the memory is freed.
  boundTarget = nullptr;
  targetList.clear();
  textureList.clear();
}

void bindTextureToUnit(const Texture& texture, int unit) {
  gl::glActiveTexture(GLenum(GL_TEXTURE0 + unit));
  glEnable(texture.target);
  glBindTexture(texture.target, texture.glId);
}

// Named textures and render targets. Records live in creation order, are found by exact
// case-sensitive name (first match wins, a later duplicate is never found) and are never removed
// before release(), which deletes the GL objects while the context is still current.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assets/named_records.h"
#include "gfx/gl.h"

enum MipmapMode : int32_t { kMipmapNone = 0, kMipmapBuild = 1 };

struct Texture {
  std::string name;
  int32_t width = 0;
  int32_t height = 0;
  // width * height * 4 bytes, RGBA; the record's own copy (none for a render target's texture,
  // whose picture is drawn on the card)
  std::vector<uint8_t> pixels;
  GLuint glId = 0;
  GLint minFilter = GL_LINEAR;
  GLint magFilter = GL_LINEAR;
  GLint wrap = GL_CLAMP_TO_EDGE;
  GLenum target = GL_TEXTURE_2D;
  int32_t mipmapMode = kMipmapNone;
};

struct RenderTargetAttachment {
  Texture* texture = nullptr;  // not owned
  GLenum attachmentPoint = GL_COLOR_ATTACHMENT0_EXT;
};

struct RenderTarget {
  std::string name;
  int32_t width = 0;
  int32_t height = 0;
  GLuint framebuffer = 0;
  GLuint depthBuffer = 0;
  std::vector<RenderTargetAttachment> attachments;
  GLenum target = GL_TEXTURE_2D;
  float aspect = 1.0f;  // width-to-height ratio of the band drawn into the target
  // Whether the depth buffer may hold anything but the clear depth: set by every draw that tests
  // and writes depth (noteDepthWrites), cleared by clearBoundTarget's depth clear.
  bool depthWritten = true;
};

class TextureRegistry {
 public:
  TextureRegistry() = default;
  ~TextureRegistry();
  TextureRegistry(const TextureRegistry&) = delete;
  TextureRegistry& operator=(const TextureRegistry&) = delete;

  // Makes, uploads and registers a texture; `pixels` (width * height * 4 bytes) may be null for an
  // all-zero texture. Leaves the new texture bound on the active unit.
  void createTexture(const char* name, int32_t width, int32_t height, int32_t mipmapMode,
                     const uint8_t* pixels, GLint minFilter, GLint magFilter);
  Texture* findTexture(const char* name);
  // findTexture for a texture the show draws with; the first miss of a name is said on stderr.
  Texture* requireTexture(const char* name);

  // Makes a framebuffer over `colourTexture` with a 24-bit depth buffer; leaves it bound. The
  // texture's own copy of its pixels is let go.
  void createRenderTarget(const char* name, Texture* colourTexture, float aspect);
  RenderTarget* findRenderTarget(const char* name);
  RenderTarget* requireRenderTarget(const char* name);
  // Makes every render target, its colour textures and its depth buffer side x side again, as the
  // build-up makes them for a display `side` pixels wide; their contents start at zero on the card.
  // For a display that changes size while the show runs.
  void resizeRenderTargets(int32_t side);

  // Deletes every GL object and record, textures first; needs the context current.
  void release();

  const std::vector<std::unique_ptr<Texture>>& textures() const { return textureList; }
  const std::vector<std::unique_ptr<RenderTarget>>& renderTargets() const { return targetList; }

  RenderTarget* boundTarget = nullptr;  // the one bindRenderTarget bound last

 private:
  MissingNames missing;
  std::vector<std::unique_ptr<Texture>> textureList;
  std::vector<std::unique_ptr<RenderTarget>> targetList;
};

// The registry that scenes, the dot field and render-target binding look names up in; set when the
// runtime is built.
extern TextureRegistry* currentTextureRegistry;

// The rows of a target's band: the only rows its scenes draw into.
struct TargetBand {
  int32_t y = 0;
  int32_t height = 0;
};
TargetBand targetBand(const RenderTarget& target);

// Binds the named target's framebuffer, pushes the viewport attribute and sets the viewport to the
// target's band. False (and no state touched) when no target has that name; after true the caller
// pops the attribute and rebinds framebuffer 0.
bool bindRenderTarget(const char* name);

// Clears the buffers of `mask` in what is bound. On a render target the depth buffer is cleared
// only when something wrote depth since its last clear: most scenes draw without the depth test,
// and clearing a target's depth costs about as much as clearing its colour.
void clearBoundTarget(GLbitfield mask);

// Every draw that writes depth says so first (the cube cloud, the credits roll): the bound
// target's depth must then be cleared again before the next frame's scenes.
void noteDepthWrites();

// Draws the named texture on one quad (-halfWidth..halfWidth, -halfHeight..halfHeight) under a
// -1..1 orthographic view onto the bound framebuffer.
void compositeTexture(const char* textureName, float halfWidth, float halfHeight);

// Binds a texture to unit `unit` the way every user does: activate, enable its target, bind.
void bindTextureToUnit(const Texture& texture, int unit);

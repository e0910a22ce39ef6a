// Off-screen render targets: a framebuffer over a square colour texture with a depth buffer, bound
// with a letterboxed band as viewport, and the composite that stretches that band onto the window.
#include <cstdio>
#include <vector>

#include "assets/named_records.h"
#include "assets/texture_registry.h"
#include "gfx/gl.h"
#include "gfx/ortho_view.h"

void TextureRegistry::createRenderTarget(const char* name, Texture* colourTexture, float aspect) {
  auto target = std::make_unique<RenderTarget>();
  target->name = name ? name : "";
  if (colourTexture) {
    target->width = colourTexture->width;
    target->height = colourTexture->height;
  } else {
    std::fprintf(stderr, "nightloom: warning: render target %s has no colour texture\n",
                 target->name.c_str());
  }
  target->target = GL_TEXTURE_2D;
  target->aspect = aspect;
  const GLuint textureId = colourTexture ? colourTexture->glId : 0;
  // What a target's texture holds is drawn on the card every frame: the record's copy of the zeros
  // it started with would be stale after one frame, and costs 2 x 15 MB at 1920 wide.
  if (colourTexture) std::vector<uint8_t>().swap(colourTexture->pixels);

  gl::glGenFramebuffersEXT(1, &target->framebuffer);
  target->attachments.push_back({colourTexture, GL_COLOR_ATTACHMENT0_EXT});
  gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target->framebuffer);
  glBindTexture(GL_TEXTURE_2D, textureId);
  gl::glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, target->target,
                                textureId, 0);

  // The scenes draw with depth testing (the cube cloud, the credits roll), so every target has
  // its own depth buffer of the texture's size.
  gl::glGenRenderbuffersEXT(1, &target->depthBuffer);
  gl::glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, target->depthBuffer);
  gl::glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, target->width,
                               target->height);
  gl::glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                   target->depthBuffer);
  targetList.push_back(std::move(target));
}

void TextureRegistry::resizeRenderTargets(int32_t side) {
  for (const std::unique_ptr<RenderTarget>& target : targetList) {
    for (const RenderTargetAttachment& attachment : target->attachments) {
      Texture* texture = attachment.texture;
      if (!texture) continue;
      texture->width = side;
      texture->height = side;
      const std::vector<uint8_t> zeros(size_t(side) * size_t(side) * 4, 0);
      glBindTexture(texture->target, texture->glId);
      glTexImage2D(texture->target, 0, GL_RGBA, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                   zeros.data());
    }
    target->width = side;
    target->height = side;
    target->depthWritten = true;
    gl::glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, target->depthBuffer);
    gl::glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, side, side);
  }
}

RenderTarget* TextureRegistry::findRenderTarget(const char* name) {
  return findByName(targetList, name);
}

RenderTarget* TextureRegistry::requireRenderTarget(const char* name) {
  return requireByName(targetList, name, missing, "render target");
}

// Single precision and truncation on purpose: a 1920-wide target gets the band (0, 420) 1079 high,
// not the 1080 that 16:9 would give, and the composite is built around exactly that.
TargetBand targetBand(const RenderTarget& target) {
  const float h = float(target.height);
  const float bandHeight = h / target.aspect;
  const float bandY = (h - bandHeight) * 0.5f;
  return {GLint(bandY), GLsizei(bandHeight)};
}

bool bindRenderTarget(const char* name) {
  RenderTarget* target =
      currentTextureRegistry ? currentTextureRegistry->requireRenderTarget(name) : nullptr;
  if (!target) return false;
  gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target->framebuffer);
  currentTextureRegistry->boundTarget = target;
  glPushAttrib(GL_VIEWPORT_BIT);
  const TargetBand band = targetBand(*target);
  glViewport(0, band.y, target->width, band.height);
  return true;
}

void clearBoundTarget(GLbitfield mask) {
  GLint framebuffer = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
  RenderTarget* target = currentTextureRegistry ? currentTextureRegistry->boundTarget : nullptr;
  if (!target || static_cast<GLuint>(framebuffer) != target->framebuffer) {
    glClear(mask);
    return;
  }
  if (!target->depthWritten) mask &= ~GLbitfield(GL_DEPTH_BUFFER_BIT);
  if (mask & GL_DEPTH_BUFFER_BIT) target->depthWritten = false;
  glClear(mask);
}

void noteDepthWrites() {
  RenderTarget* target = currentTextureRegistry ? currentTextureRegistry->boundTarget : nullptr;
  if (target) target->depthWritten = true;
}

// The target's texture is square but only its band holds the picture; the timeline passes a half
// height of 1.778, so the quad overhangs the -1..1 view and exactly that band (the middle
// 1 / 1.778 of the texture's height) fills the window's viewport.
void compositeTexture(const char* textureName, float halfWidth, float halfHeight) {
  pushOrthoView();
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_STENCIL_TEST);
  glEnable(GL_TEXTURE_2D);

  Texture* texture =
      currentTextureRegistry ? currentTextureRegistry->requireTexture(textureName) : nullptr;
  if (texture) bindTextureToUnit(*texture, 0);

  glBegin(GL_QUADS);
  gl::glMultiTexCoord2f(GL_TEXTURE0, 0.0f, 1.0f);
  glVertex3f(-halfWidth, halfHeight, -1.0f);
  gl::glMultiTexCoord2f(GL_TEXTURE0, 1.0f, 1.0f);
  glVertex3f(halfWidth, halfHeight, -1.0f);
  gl::glMultiTexCoord2f(GL_TEXTURE0, 1.0f, 0.0f);
  glVertex3f(halfWidth, -halfHeight, -1.0f);
  gl::glMultiTexCoord2f(GL_TEXTURE0, 0.0f, 0.0f);
  glVertex3f(-halfWidth, -halfHeight, -1.0f);
  glEnd();

  glDisable(GL_TEXTURE_2D);
  popOrthoView();
}

// The halftone dot pass: per layer, the size factor from the phase keys, the texMatrix that turns
// the picture coordinate with the screen's turn, and one subtractive draw of the layer's vertex
// array with the "DOTS" program.
#include "dots/dot_field.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "app/scene_params.h"
#include "assets/shader_registry.h"
#include "assets/show_data.h"
#include "assets/texture_registry.h"
#include "dots/dot_layer.h"
#include "dots/dot_picture.h"
#include "gfx/frame_passes.h"

DotLayerTable* dotLayerTable = nullptr;
bool dotViewCulling = true;
bool dotPictureCulling = false;
DotFieldStats dotFieldStats;
std::vector<DotDrawRecord>* dotDrawTrace = nullptr;

namespace {

using Matrix = std::array<float, 16>;  // column-major

Matrix identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix out{};
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
      out[column * 4 + row] = sum;
    }
  }
  return out;
}

Matrix translation(float x, float y, float z) {
  Matrix m = identity();
  m[12] = x;
  m[13] = y;
  m[14] = z;
  return m;
}

// Rotation about (0, 0, 1); cosine and sine in double, rounded to single.
Matrix rotationZ(float radians) {
  const float c = static_cast<float>(std::cos(static_cast<double>(radians)));
  const float s = static_cast<float>(std::sin(static_cast<double>(radians)));
  Matrix m = identity();
  m[0] = c;
  m[1] = s;
  m[4] = -s;
  m[5] = c;
  return m;
}

struct Pass {
  float angleOffset;
  Vec4 color;
};

// Red, green and blue subtracted from white leave cyan, magenta and yellow.
constexpr Pass kColourPasses[3] = {
    {0.0f, {1, 0, 0, 1}}, {5.0f, {0, 1, 0, 1}}, {15.0f, {0, 0, 1, 1}}};

bool same(const Vec4& a, const Vec4& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

bool same(float a, float b) { return a == b; }

void pointAttribute(const ProgramAttribute* attribute) {
  const GLuint location = static_cast<GLuint>(attribute->location);
  gl::glVertexAttribPointer(location, attribute->size, attribute->componentType, GL_FALSE, 0,
                            nullptr);
  gl::glEnableVertexAttribArray(location);
}

// Sets every entry of one of the arrays a draw may change (the colours, the scales) to `value`
// and rewrites its buffer, unless both already hold it: most frames draw with what the last one
// drew. A NaN never compares the same, so it is always rewritten.
template <typename Value>
void fillArray(DotLayer& layer, DotAttribute slot, std::vector<Value>& entries, const Value& value,
               bool& uploaded, Value& uploadedValue) {
  const VertexBuffer& buffer = layer.buffers[slot];
  gl::glBindBuffer(buffer.target, buffer.name);
  if (!uploaded || !same(uploadedValue, value)) {
    for (Value& entry : entries) entry = value;
    const size_t bytes = entries.size() * sizeof(Value);
    gl::glBufferSubData(buffer.target, 0, static_cast<GLsizeiptr>(bytes), entries.data());
    dotFieldStats.bytesUploaded += bytes;
    uploaded = true;
    uploadedValue = value;
  }
  pointAttribute(layer.attributes[slot]);
}

struct DotUniforms {
  ProgramUniform* tex;
  ProgramUniform* image;
  ProgramUniform* texMatrix;
};

void bindSampler(const char* textureName, int unit, ProgramUniform* sampler) {
  Texture* texture = currentTextureRegistry != nullptr
                         ? currentTextureRegistry->requireTexture(textureName)
                         : nullptr;
  if (texture == nullptr) return;
  bindTextureToUnit(*texture, unit);
  sampler->setInt(unit);
}

// A plane of the clip volume, s * clip[row] <= clip.w, as a distance linear in the dot centre:
// beyond = a * X + b * Y + c, positive outside.
struct ClipPlane {
  float a, b, c;
};

enum class DotPlace { Outside, Edge, Inside };

// Where a dot can fall under one draw's matrices and largest dot size.
class DotPlacer {
 public:
  // False when the matrices or the size give no usable numbers.
  bool prepare(const DotLayer& layer, float scale);
  DotPlace place(const Vec4& centre) const;

 private:
  ClipPlane planes[4] = {};
  ClipPlane wRow = {};
  float reach[4] = {};
};

bool DotPlacer::prepare(const DotLayer& layer, float scale) {
  Matrix projection{}, modelView{};
  glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView.data());
  const Matrix m = multiply(projection, modelView);
  const Vec4& corner = layer.corners[0];
  const Vec4& centre = layer.positions[0];
  const float z = centre.z + corner.z;
  const float w = centre.w + corner.w;
  const float extent = std::max(std::fabs(corner.x), std::fabs(corner.y)) * std::fabs(scale);
  auto row = [&](int r) { return ClipPlane{m[r], m[4 + r], m[8 + r] * z + m[12 + r] * w}; };
  const ClipPlane x = row(0), y = row(1);
  wRow = row(3);
  const float signs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  bool finite = std::isfinite(extent);
  for (int p = 0; p < 4; ++p) {
    const float sx = signs[p][0], sy = signs[p][1];
    planes[p] = {sx * x.a + sy * y.a - wRow.a, sx * x.b + sy * y.b - wRow.b,
                 sx * x.c + sy * y.c - wRow.c};
    reach[p] = extent * (std::fabs(planes[p].a) + std::fabs(planes[p].b));
    finite = finite && std::isfinite(planes[p].a) && std::isfinite(planes[p].b) &&
             std::isfinite(planes[p].c) && std::isfinite(reach[p]);
  }
  return finite;
}

// The margin keeps rounding in the vertex shader on the cautious side of every decision.
DotPlace DotPlacer::place(const Vec4& c) const {
  const float clipW = wRow.a * c.x + wRow.b * c.y + wRow.c;
  const float margin = 1e-3f * std::fabs(clipW) + 1e-6f;
  bool inside = true;
  for (int p = 0; p < 4; ++p) {
    const float distance = planes[p].a * c.x + planes[p].b * c.y + planes[p].c;
    if (distance - reach[p] > margin) return DotPlace::Outside;
    if (distance + reach[p] > -margin) inside = false;
  }
  return inside ? DotPlace::Inside : DotPlace::Edge;
}

// One stretch of the index list to draw: its first index and its index count.
struct IndexRun {
  size_t first;
  GLsizei count;
};

// Reused from draw to draw so that working out what to draw allocates nothing.
std::vector<GLuint> drawIndices;
std::vector<IndexRun> indexRuns;
DotPicture picture;  // read at the start of every drawDotField

// The picture's rules for one draw: the footprints of its dots and the level a dot's texels must
// reach to be left out; null footprints when the picture is not to be read.
struct PictureRule {
  const DotFootprints* footprints = nullptr;
  int lightest = 256;
};

// The index list of the dots that can change a pixel, in dot order, in stretches that are wholly
// inside the view or not. Clip coordinates are linear in a dot's centre, so over the dot's square
// (half-size h * |scale|: the picture's darkness never exceeds 1) a plane distance lies within the
// centre's distance plus or minus the extent times |a| + |b|. A dot wholly beyond one plane yields
// no fragment, and one over white picture yields only fragments that round to nothing, so leaving
// either out changes no pixel. Dots wholly inside go in stretches of their own: llvmpipe sends a
// batch of vertices through its slow clipping path when any of them needs clipping.
bool buildDrawList(const DotLayer& layer, float scale, const PictureRule& rule) {
  drawIndices.clear();
  indexRuns.clear();
  const size_t dots = layer.dotCount();
  if (dots == 0 || layer.positions.size() != layer.vertexCount()) return false;
  DotPlacer placer;
  if (!placer.prepare(layer, scale)) return false;
  const bool judgePicture =
      rule.footprints && rule.lightest < 256 && rule.footprints->blocks.size() == dots;
  const uint8_t lightest = static_cast<uint8_t>(std::min(rule.lightest, 255));
  DotPlace runPlace = DotPlace::Outside;  // Outside while no stretch is open
  for (size_t dot = 0; dot < dots; ++dot) {
    const DotPlace place = placer.place(layer.positions[dot * DotLayer::kVerticesPerDot]);
    if (place == DotPlace::Outside) continue;
    if (judgePicture && picture.light(rule.footprints->blocks[dot], lightest)) continue;
    if (place != runPlace) {
      indexRuns.push_back({drawIndices.size(), 0});
      runPlace = place;
    }
    // Corners 3 and 4 repeat 0 and 2 exactly: naming those keeps the renderer's vertex cache warm.
    const GLuint first = static_cast<GLuint>(dot * DotLayer::kVerticesPerDot);
    drawIndices.insert(drawIndices.end(),
                       {first, first + 1, first + 2, first, first + 2, first + 5});
    indexRuns.back().count += 6;
  }
  return true;
}

// The whole layer when culling is off or what to draw cannot be worked out, else only the dots
// that can change a pixel, from one upload of their indices.
void drawVisibleDots(DotLayer& layer, float scale, const PictureRule& rule) {
  if (!dotViewCulling || !buildDrawList(layer, scale, rule)) {
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(layer.vertexCount()));
    dotFieldStats.verticesDrawn += layer.vertexCount();
    return;
  }
  if (drawIndices.empty()) return;
  gl::glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, layer.indexBuffer);
  gl::glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                   static_cast<GLsizeiptr>(drawIndices.size() * sizeof(GLuint)), drawIndices.data(),
                   GL_STREAM_DRAW);
  for (const IndexRun& run : indexRuns) {
    glDrawElements(GL_TRIANGLES, run.count, GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(run.first * sizeof(GLuint)));
  }
  dotFieldStats.verticesDrawn += drawIndices.size();
}

void issueDraw(DotLayer& layer, ShaderProgram& program, const DotUniforms& uniforms, float scale,
               const Vec4& color, const Matrix& texMatrix, const PictureRule& rule) {
  fillArray(layer, kDotColor, layer.colors, color, layer.colorsUploaded, layer.uploadedColor);
  fillArray(layer, kDotScale, layer.scales, scale, layer.scalesUploaded, layer.uploadedScale);
  gl::glUseProgram(program.glId);
  bindSampler(kDotTexture, 0, uniforms.tex);
  bindSampler(kSceneTexture, 1, uniforms.image);
  uniforms.texMatrix->setValues(texMatrix.data());
  gl::glBindVertexArray(layer.vertexArray);
  drawVisibleDots(layer, scale, rule);
  gl::glBindVertexArray(0);
  // Acts on the unit made active last: unit 1 when the picture was bound.
  glDisable(GL_TEXTURE_2D);
  gl::glActiveTexture(GL_TEXTURE0);
  gl::glUseProgram(0);
}

// Below this many dots in a frame's passes the read-back costs more than the vertices it saves:
// the coarse layer alone (2 304 dots, three times in three colours) is drawn whole.
constexpr size_t kPictureWorthDots = 12000;

// The dots the frame's passes would draw: of the layers the phase sizes, once per pass.
size_t dotsToDraw(DotLayer* const (&layers)[3], size_t passes) {
  size_t dots = 0;
  for (const DotLayer* layer : layers) {
    float factor = 0.0f;
    if (layer && dotSizeFactor(layer->phaseKeys, sceneParams.dotPhase, factor) &&
        factor >= 0.00001f) {
      dots += layer->dotCount() * passes;
    }
  }
  return dots;
}

// Reads the picture the dots sample, "DEFAULT_TARGET1", through the render target drawn into it.
void readPicture() {
  if (currentTextureRegistry == nullptr) return;
  for (const std::unique_ptr<RenderTarget>& target : currentTextureRegistry->renderTargets()) {
    for (const RenderTargetAttachment& attachment : target->attachments) {
      const Texture* texture = attachment.texture;
      if (texture && texture->name == kSceneTexture && texture->width == texture->height &&
          texture->width == target->width && target->height == target->width) {
        const TargetBand band = targetBand(*target);
        picture.read(target->framebuffer, texture->width, band.y, band.height);
        return;
      }
    }
  }
}

}  // namespace

bool dotSizeFactor(const std::array<float, 4>& k, float p, float& factor) {
  if (p >= 0.0f && p <= 1.0f) {
    factor = k[0] + (k[1] - k[0]) * p;
  } else if (p > 1.0f && p <= 2.0f) {
    factor = k[1] + (k[2] - k[1]) * (p - 1.0f);
  } else if (p > 2.0f && p <= 3.0f) {
    factor = k[2] + (k[3] - k[2]) * (p - 2.0f);
  } else {
    return false;
  }
  return true;
}

std::array<float, 16> dotTexMatrix(float angleDegrees) {
  // The same turn as the grid's glRotatef: each dot then samples the picture under its own turned
  // centre, and turning a screen does not turn the picture it shows.
  const float theta = angleDegrees * 0.017453292f;
  Matrix m = identity();
  m = multiply(m, translation(0.5f, 0.5f, 0.0f));
  m = multiply(m, rotationZ(theta));
  m = multiply(m, translation(-0.5f, -0.5f, 0.0f));
  return m;
}

void drawDotLayer(DotLayer& layer, float baseAngle, float angleOffset, float phase,
                  float scaleFactor, const Vec4& color) {
  float factor = 0.0f;
  if (!dotSizeFactor(layer.phaseKeys, phase, factor) || factor < 0.00001f) return;
  // Without the program or one of its uniforms the pass cannot be drawn; it is left out before
  // any state changes, like a skipped layer.
  ShaderProgram* program = currentShaderRegistry != nullptr
                               ? currentShaderRegistry->requireProgram(kDotsProgram)
                               : nullptr;
  if (program == nullptr || !layer.complete()) return;
  const DotUniforms uniforms = {program->findUniform("tex"), program->findUniform("image"),
                                program->findUniform("texMatrix")};
  if (!uniforms.tex || !uniforms.image || !uniforms.texMatrix) return;

  const float scale = factor * scaleFactor;
  const float angle = baseAngle + angleOffset;
  const Matrix texMatrix = dotTexMatrix(angle);

  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glRotatef(angle, 0.0f, 0.0f, 1.0f);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  gl::setBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
  glBlendFunc(GL_ONE, GL_ONE);

  PictureRule rule;
  if (picture.available()) {
    rule.footprints = &picture.footprints(layer, angle, texMatrix);
    rule.lightest = lightestLevelLeftOut(scale);
  }
  issueDraw(layer, *program, uniforms, scale, color, texMatrix, rule);
  ++dotFieldStats.layerDraws;
  if (dotDrawTrace != nullptr) dotDrawTrace->push_back({&layer, angle, scale, color});

  gl::setBlendEquation(GL_FUNC_ADD);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

void drawDotField(float baseAngle, const Vec4& color) {
  DotLayerTable* table = dotLayerTable;
  const SceneParams& params = sceneParams;
  if (table == nullptr || (params.dotMode != 1 && params.dotMode != 2)) return;
  DotLayer* layers[3] = {table->coarse.get(), table->medium.get(), table->fine.get()};
  constexpr FramePass kLayerPasses[3] = {FramePass::DotsCoarse, FramePass::DotsMedium,
                                         FramePass::DotsFine};
  const Pass single[1] = {{0.0f, color}};
  const std::span<const Pass> passes =
      params.dotMode == 1 ? std::span<const Pass>(single) : std::span<const Pass>(kColourPasses);
  if (dotViewCulling && dotPictureCulling &&
      dotsToDraw(layers, passes.size()) > kPictureWorthDots) {
    readPicture();
  }
  for (int i = 0; i < 3; ++i) {
    if (i > 0) markPass(kLayerPasses[i]);
    if (!layers[i]) continue;
    for (const Pass& pass : passes) {
      drawDotLayer(*layers[i], baseAngle, pass.angleOffset, params.dotPhase, params.dotScale,
                   pass.color);
      glFlush();
    }
  }
  picture.forget();
}

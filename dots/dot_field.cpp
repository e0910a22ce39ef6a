// The halftone dot pass: per layer, the size factor from the phase keys, the texMatrix that turns
// the picture coordinate with the screen's turn, and one subtractive draw of the layer's vertex
// array with the "DOTS" program.
#include "dots/dot_field.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/scene_params.h"
#include "assets/shader_registry.h"
#include "assets/texture_registry.h"
#include "dots/dot_layer.h"

DotLayerTable* dotLayerTable = nullptr;
bool dotViewCulling = true;
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
                         ? currentTextureRegistry->findTexture(textureName)
                         : nullptr;
  if (texture == nullptr) return;
  bindTextureToUnit(*texture, unit);
  sampler->setInt(unit);
}

// One stretch of whole dots to draw: its first vertex and its vertex count.
struct VertexRun {
  GLint first;
  GLsizei count;
};

// Dots left out between two drawn stretches cost less than another draw call below this gap.
constexpr size_t kMergeGapDots = 32;

// Reused from draw to draw so that working out the stretches allocates nothing.
std::vector<VertexRun> visibleRuns;

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

// The stretches of dots that can touch the viewport. Clip coordinates are linear in a dot's
// centre, so over the dot's square (half-size h * |scale|: the picture's darkness never exceeds 1)
// a plane distance lies within the centre's distance plus or minus the extent times |a| + |b|.
// A dot wholly beyond one plane yields no fragment, so leaving it out changes no pixel. Dots
// wholly inside go in stretches of their own: llvmpipe sends a batch of vertices through its
// slow clipping path when any of them needs clipping, and the order of the dots is kept.
bool findVisibleRuns(const DotLayer& layer, float scale) {
  visibleRuns.clear();
  const size_t vertices = layer.vertexCount();
  if (vertices < 6 || layer.positions.size() != vertices) return false;
  DotPlacer placer;
  if (!placer.prepare(layer, scale)) return false;
  size_t runStart = 0, runEnd = 0;        // in dots, end exclusive
  DotPlace runPlace = DotPlace::Outside;  // Outside while no stretch is open
  auto close = [&] {
    if (runPlace != DotPlace::Outside) {
      visibleRuns.push_back({GLint(runStart * 6), GLsizei((runEnd - runStart) * 6)});
    }
  };
  const size_t dots = vertices / 6;
  for (size_t dot = 0; dot < dots; ++dot) {
    const DotPlace place = placer.place(layer.positions[dot * 6]);
    if (place == DotPlace::Outside) continue;
    // Outside dots may be swept into a clipped stretch, never into an unclipped one.
    const size_t gap = place == DotPlace::Edge ? kMergeGapDots : 0;
    if (place == runPlace && dot - runEnd <= gap) {
      runEnd = dot + 1;
      continue;
    }
    close();
    runStart = dot;
    runEnd = dot + 1;
    runPlace = place;
  }
  close();
  return true;
}

// The whole layer when culling is off or the stretches cannot be worked out, else only the dots
// that can be seen.
void drawVisibleDots(const DotLayer& layer, float scale) {
  if (!dotViewCulling || !findVisibleRuns(layer, scale)) {
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(layer.vertexCount()));
    dotFieldStats.verticesDrawn += layer.vertexCount();
    return;
  }
  for (const VertexRun& run : visibleRuns) {
    glDrawArrays(GL_TRIANGLES, run.first, run.count);
    dotFieldStats.verticesDrawn += static_cast<uint64_t>(run.count);
  }
}

void issueDraw(DotLayer& layer, ShaderProgram& program, const DotUniforms& uniforms, float scale,
               const Vec4& color, const Matrix& texMatrix) {
  fillArray(layer, kDotColor, layer.colors, color, layer.colorsUploaded, layer.uploadedColor);
  fillArray(layer, kDotScale, layer.scales, scale, layer.scalesUploaded, layer.uploadedScale);
  gl::glUseProgram(program.glId);
  bindSampler("DOT", 0, uniforms.tex);
  bindSampler("DEFAULT_TARGET1", 1, uniforms.image);
  uniforms.texMatrix->setValues(texMatrix.data());
  gl::glBindVertexArray(layer.vertexArray);
  drawVisibleDots(layer, scale);
  gl::glBindVertexArray(0);
  // Acts on the unit made active last: unit 1 when the picture was bound.
  glDisable(GL_TEXTURE_2D);
  gl::glActiveTexture(GL_TEXTURE0);
  gl::glUseProgram(0);
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
  ShaderProgram* program =
      currentShaderRegistry != nullptr ? currentShaderRegistry->findProgram("DOTS") : nullptr;
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

  issueDraw(layer, *program, uniforms, scale, color, texMatrix);
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
  if (table == nullptr) return;
  DotLayer* layers[3] = {table->coarse.get(), table->medium.get(), table->fine.get()};
  const SceneParams& params = sceneParams;
  if (params.dotMode == 1) {
    for (DotLayer* layer : layers) {
      if (layer) drawDotLayer(*layer, baseAngle, 0.0f, params.dotPhase, params.dotScale, color);
    }
  } else if (params.dotMode == 2) {
    for (DotLayer* layer : layers) {
      if (!layer) continue;
      for (const Pass& pass : kColourPasses) {
        drawDotLayer(*layer, baseAngle, pass.angleOffset, params.dotPhase, params.dotScale,
                     pass.color);
      }
    }
  }
}

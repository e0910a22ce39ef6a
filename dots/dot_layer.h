// One square grid of halftone dots held in GL vertex buffers: every dot is a textured square (two
// triangles, six vertices) centred on a grid point. The geometry is built once; only the colour and
// scale arrays are rewritten before a draw, and the card sizes every dot from the picture.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/vec4.h"
#include "gfx/gl.h"

struct ShaderProgram;
struct ProgramAttribute;

struct VertexBuffer {
  GLuint name = 0;
  GLenum target = GL_ARRAY_BUFFER;
};

// Attribute slots, in the order the buffers and attribute records are kept: the order of the dot
// program's attributes (kDotsAttributes in assets/shader_sources.h).
enum DotAttribute : int {
  kDotCorner = 0,  // aCoords
  kDotPosition,    // aPos
  kDotTexCoord,    // aTexCoords
  kDotImageCoord,  // aTexImgCoords
  kDotColor,       // aColor
  kDotScale,       // aScale
  kDotAttributeCount
};

class DotLayer {
 public:
  // Builds the grid and uploads it; needs a current context with the buffer and vertex-array entry
  // points. A program lacking an attribute (or one the linker left without a location) leaves
  // that buffer unattached: complete() then says false and the layer is never drawn.
  DotLayer(ShaderProgram& program, int32_t columns, int32_t rows, float halfSize, float xOffset,
           float yOffset, const std::array<float, 4>& phaseKeys);
  // Deletes the buffers and the vertex array: call it while the context is still current.
  ~DotLayer();
  DotLayer(const DotLayer&) = delete;
  DotLayer& operator=(const DotLayer&) = delete;

  bool complete() const;
  size_t vertexCount() const { return corners.size(); }

  std::vector<Vec4> positions;     // aPos: dot centre (x, y, -0.6, 1)
  std::vector<Vec4> corners;       // aCoords: corner offset (+-h, +-h, 0, 1)
  std::vector<Vec4> dotTexCoords;  // aTexCoords: (s, t, 1, 1) into "DOT"
  std::vector<Vec4> imageCoords;   // aTexImgCoords: (u, v, 0, 1) into the halftoned picture
  std::vector<Vec4> colors;        // aColor: rewritten before a draw
  std::vector<float> scales;       // aScale: rewritten before a draw
  std::array<VertexBuffer, kDotAttributeCount> buffers;
  std::array<ProgramAttribute*, kDotAttributeCount> attributes{};  // not owned
  GLuint vertexArray = 0;
  std::array<float, 4> phaseKeys{};

  // What the aColor and aScale buffers hold since the last upload, so a draw with the same values
  // can leave them alone; the picture is the same either way.
  bool colorsUploaded = false;
  Vec4 uploadedColor;
  bool scalesUploaded = false;
  float uploadedScale = 0.0f;

 private:
  void buildGrid(int32_t columns, int32_t rows, float halfSize, float xOffset, float yOffset);
  void upload();
};

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

// Where one layer's dots sample the picture under one turn of the screen (dots/dot_picture.h):
// per dot, the 8 x 8 block its footprint starts in and whether the footprint runs into the next
// block across and up.
struct DotFootprints {
  float angle = 0;               // degrees
  int32_t side = 0;              // the square picture's width in texels
  std::vector<uint32_t> blocks;  // block index << 2 | (runs up) << 1 | (runs across)
};

class DotLayer {
 public:
  // Two triangles of three: top-left, top-right, bottom-right, then top-left, bottom-right,
  // bottom-left. Corners 3 and 4 repeat 0 and 2 to the bit, so an indexed draw names four vertices
  // a dot and the renderer shades each once.
  static constexpr size_t kVerticesPerDot = 6;

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
  size_t dotCount() const { return corners.size() / kVerticesPerDot; }

  std::vector<Vec4> positions;     // aPos: dot centre (x, y, -0.6, 1)
  std::vector<Vec4> corners;       // aCoords: corner offset (+-h, +-h, 0, 1)
  std::vector<Vec4> dotTexCoords;  // aTexCoords: (s, t, 1, 1) into "DOT"
  std::vector<Vec4> imageCoords;   // aTexImgCoords: (u, v, 0, 1) into the halftoned picture
  std::vector<Vec4> colors;        // aColor: rewritten before a draw
  std::vector<float> scales;       // aScale: rewritten before a draw
  std::array<VertexBuffer, kDotAttributeCount> buffers;
  std::array<ProgramAttribute*, kDotAttributeCount> attributes{};  // not owned
  GLuint vertexArray = 0;
  GLuint indexBuffer = 0;  // the indices of the dots a draw leaves in, written by every draw
  std::array<float, 4> phaseKeys{};
  std::vector<DotFootprints> footprints;  // where the dots sample the picture, by turn and size

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

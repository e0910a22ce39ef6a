// Geometry and buffers of one dot grid: six vertices per dot, row-major from the lowest row, one
// tightly packed buffer per attribute, all recorded in the layer's vertex-array object.
#include "dots/dot_layer.h"

#include <iterator>

#include "assets/shader_registry.h"
#include "assets/shader_sources.h"

static_assert(std::size(kDotsAttributes) == kDotAttributeCount,
              "one vertex buffer per attribute of the dot program");

namespace {

struct Corner {
  float dx, dy;  // sign of the half-size offset
  float s, t;    // dot texture coordinate; t = 0 lies on the dot's top edge
};

// Top-left, top-right, bottom-right, then top-left, bottom-right, bottom-left.
constexpr Corner kCorners[DotLayer::kVerticesPerDot] = {
    {-1, +1, 0, 0}, {+1, +1, 1, 0}, {+1, -1, 1, 1}, {-1, +1, 0, 0}, {+1, -1, 1, 1}, {-1, -1, 0, 1}};

// The product is single precision but the two additions are carried in double, which decides the
// last bit of some centres.
float gridCoordinate(int32_t index, float step, float offset) {
  const float product = static_cast<float>(index) * step;
  return static_cast<float>(static_cast<double>(product) - 1.2 + static_cast<double>(offset));
}

}  // namespace

DotLayer::DotLayer(ShaderProgram& program, int32_t columns, int32_t rows, float halfSize,
                   float xOffset, float yOffset, const std::array<float, 4>& keys) {
  for (VertexBuffer& buffer : buffers) {
    buffer.target = GL_ARRAY_BUFFER;
    gl::glGenBuffers(1, &buffer.name);
  }
  gl::glGenVertexArrays(1, &vertexArray);
  gl::glGenBuffers(1, &indexBuffer);
  phaseKeys = keys;
  buildGrid(columns, rows, halfSize, xOffset, yOffset);
  for (int slot = 0; slot < kDotAttributeCount; ++slot) {
    attributes[slot] = program.findAttribute(kDotsAttributes[slot].name);
  }
  upload();
}

DotLayer::~DotLayer() {
  for (VertexBuffer& buffer : buffers) {
    if (buffer.name != 0 && gl::glDeleteBuffers) gl::glDeleteBuffers(1, &buffer.name);
    buffer.name = 0;
  }
  if (vertexArray != 0 && gl::glDeleteVertexArrays) gl::glDeleteVertexArrays(1, &vertexArray);
  vertexArray = 0;
  if (indexBuffer != 0 && gl::glDeleteBuffers) gl::glDeleteBuffers(1, &indexBuffer);
  indexBuffer = 0;
}

bool DotLayer::complete() const {
  for (const ProgramAttribute* attribute : attributes) {
    if (attribute == nullptr || attribute->location < 0) return false;
  }
  return true;
}

void DotLayer::buildGrid(int32_t columns, int32_t rows, float halfSize, float xOffset,
                         float yOffset) {
  if (columns <= 0 || rows <= 0) return;
  const float stepX = 2.4f / static_cast<float>(columns);
  const float stepY = 2.4f / static_cast<float>(rows);
  const float invX = 1.0f / static_cast<float>(columns);
  const float invY = 1.0f / static_cast<float>(rows);
  const size_t vertices = static_cast<size_t>(columns) * static_cast<size_t>(rows) * 6;
  positions.reserve(vertices);
  corners.reserve(vertices);
  dotTexCoords.reserve(vertices);
  imageCoords.reserve(vertices);
  colors.reserve(vertices);
  scales.reserve(vertices);
  for (int32_t j = 0; j < rows; ++j) {
    const float y = gridCoordinate(j, stepY, yOffset);
    // v runs with y: the lowest row samples the bottom of the picture, so the halftone stands the
    // same way up as the picture it is made from.
    const float v = static_cast<float>(j) * invY;
    for (int32_t i = 0; i < columns; ++i) {
      const float x = gridCoordinate(i, stepX, xOffset);
      const float u = static_cast<float>(i) * invX;
      for (const Corner& corner : kCorners) {
        positions.push_back({x, y, -0.6f, 1.0f});
        corners.push_back({corner.dx * halfSize, corner.dy * halfSize, 0.0f, 1.0f});
        dotTexCoords.push_back({corner.s, corner.t, 1.0f, 1.0f});
        imageCoords.push_back({u, v, 0.0f, 1.0f});
        colors.push_back({1.0f, 1.0f, 1.0f, 1.0f});
        scales.push_back(1.0f);
      }
    }
  }
}

void DotLayer::upload() {
  const void* data[kDotAttributeCount] = {corners.data(),     positions.data(), dotTexCoords.data(),
                                          imageCoords.data(), colors.data(),    scales.data()};
  gl::glBindVertexArray(vertexArray);
  for (int slot = 0; slot < kDotAttributeCount; ++slot) {
    const VertexBuffer& buffer = buffers[slot];
    gl::glBindBuffer(buffer.target, buffer.name);
    const size_t entryBytes = kDotsAttributes[slot].size * sizeof(float);
    gl::glBufferData(buffer.target, static_cast<GLsizeiptr>(corners.size() * entryBytes),
                     data[slot], GL_DYNAMIC_DRAW);
    const ProgramAttribute* attribute = attributes[slot];
    if (attribute == nullptr || attribute->location < 0) continue;
    const GLuint location = static_cast<GLuint>(attribute->location);
    gl::glVertexAttribPointer(location, attribute->size, attribute->componentType, GL_FALSE, 0,
                              nullptr);
    gl::glEnableVertexAttribArray(location);
  }
  gl::glBindVertexArray(0);
  colorsUploaded = true;
  uploadedColor = {1.0f, 1.0f, 1.0f, 1.0f};
  scalesUploaded = true;
  uploadedScale = 1.0f;
}

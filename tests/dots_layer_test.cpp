// Dot layer geometry and buffers on the real "DOTS" program: grid centres with their mixed
// single/double arithmetic, picture coordinates, the six-vertex corner table, row-major order,
// empty grids, and the buffers and vertex array that the upload fills.
// Buffer and vertex-attribute queries the show never makes come straight from libOpenGL.
#define GL_GLEXT_PROTOTYPES 1
#include <gtest/gtest.h>

#include "assets/shader_registry.h"
#include "assets/shader_sources.h"
#include "dots/dot_layer.h"
#include "launcher/demo_context.h"
#include "support/dot_assets.h"

namespace {

ShaderProgram& dotProgram() {
  DemoContext& context = dotFieldContext();
  ShaderProgram* program = context.shaderRegistry.findProgram("DOTS");
  EXPECT_NE(program, nullptr);
  return *program;
}

const std::array<float, 4> kKeys = {1, 0, 0, 0};

GLint bufferSize(GLuint name) {
  gl::glBindBuffer(GL_ARRAY_BUFFER, name);
  GLint bytes = -1;
  glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
  return bytes;
}

TEST(DotLayerGeometry, OneByOneLayerHasSixVerticesAtTheGridOrigin) {
  DotLayer layer(dotProgram(), 1, 1, 0.5f, 0.25f, -0.25f, kKeys);
  ASSERT_EQ(layer.vertexCount(), 6u);
  for (size_t v = 0; v < 6; ++v) {
    EXPECT_FLOAT_EQ(layer.positions[v].x, -1.2f + 0.25f);
    EXPECT_FLOAT_EQ(layer.positions[v].y, -1.2f - 0.25f);
    EXPECT_FLOAT_EQ(layer.positions[v].z, -0.6f);
    EXPECT_EQ(layer.positions[v].w, 1.0f);
    EXPECT_EQ(layer.imageCoords[v].x, 0.0f);
    EXPECT_EQ(layer.imageCoords[v].y, 0.0f);  // the lowest row samples the picture's bottom
    EXPECT_EQ(layer.imageCoords[v].w, 1.0f);
    EXPECT_EQ(layer.colors[v].x, 1.0f);
    EXPECT_EQ(layer.scales[v], 1.0f);
  }
  // Top-left, top-right, bottom-right, top-left, bottom-right, bottom-left; t = 0 on top.
  const float cx[6] = {-0.5f, 0.5f, 0.5f, -0.5f, 0.5f, -0.5f};
  const float cy[6] = {0.5f, 0.5f, -0.5f, 0.5f, -0.5f, -0.5f};
  const float s[6] = {0, 1, 1, 0, 1, 0};
  const float t[6] = {0, 0, 1, 0, 1, 1};
  for (int v = 0; v < 6; ++v) {
    EXPECT_EQ(layer.corners[v].x, cx[v]) << v;
    EXPECT_EQ(layer.corners[v].y, cy[v]) << v;
    EXPECT_EQ(layer.corners[v].z, 0.0f);
    EXPECT_EQ(layer.corners[v].w, 1.0f);
    EXPECT_EQ(layer.dotTexCoords[v].x, s[v]) << v;
    EXPECT_EQ(layer.dotTexCoords[v].y, t[v]) << v;
    EXPECT_EQ(layer.dotTexCoords[v].z, 1.0f);
  }
}

TEST(DotLayerGeometry, CoarseGridRunsRowMajorFromTheLowestRow) {
  DotLayer layer(dotProgram(), 48, 48, 0.025f, 0.0f, 0.0f, kKeys);
  ASSERT_EQ(layer.vertexCount(), 48u * 48u * 6u);
  EXPECT_FLOAT_EQ(layer.positions.front().x, -1.2f);
  EXPECT_FLOAT_EQ(layer.positions.front().y, -1.2f);
  EXPECT_FLOAT_EQ(layer.positions.back().x, 1.15f);
  EXPECT_FLOAT_EQ(layer.positions.back().y, 1.15f);
  // The picture coordinate runs with the grid: (0, 0) at the lowest-left dot, up to 47 / 48 in
  // both at the top right.
  EXPECT_EQ(layer.imageCoords.front().x, 0.0f);
  EXPECT_EQ(layer.imageCoords.front().y, 0.0f);
  EXPECT_NEAR(layer.imageCoords.back().x, 0.9791667f, 1e-6f);
  EXPECT_NEAR(layer.imageCoords.back().y, 0.9791667f, 1e-6f);
  EXPECT_NEAR(layer.imageCoords[48 * 6].y, 1.0f / 48.0f, 1e-7f);
  // The second dot is the next column of the same row; dot 48 starts the second row.
  EXPECT_FLOAT_EQ(layer.positions[6].x, -1.15f);
  EXPECT_FLOAT_EQ(layer.positions[6].y, -1.2f);
  EXPECT_FLOAT_EQ(layer.positions[48 * 6].x, -1.2f);
  EXPECT_FLOAT_EQ(layer.positions[48 * 6].y, -1.15f);
  EXPECT_EQ(layer.corners[0].x, -0.025f);
}

TEST(DotLayerGeometry, FineGridSharesTheCentreOfTheOthers) {
  DotLayer fine(dotProgram(), 192, 192, 0.00625f, -0.01875f, -0.01875f, kKeys);
  EXPECT_FLOAT_EQ(fine.positions.front().x, -1.21875f);
  EXPECT_FLOAT_EQ(fine.positions.back().x, 1.16875f);
  EXPECT_FLOAT_EQ(fine.positions.back().y, 1.16875f);
  DotLayer medium(dotProgram(), 96, 96, 0.0125f, -0.0125f, -0.0125f, kKeys);
  EXPECT_FLOAT_EQ(medium.positions.front().x, -1.2125f);
  EXPECT_FLOAT_EQ(medium.positions.back().x, 1.1625f);
  // The centre is (first + last) / 2 = -0.025 for all three grids.
  EXPECT_NEAR((fine.positions.front().x + fine.positions.back().x) / 2, -0.025f, 1e-6f);
  EXPECT_NEAR((medium.positions.front().x + medium.positions.back().x) / 2, -0.025f, 1e-6f);
}

TEST(DotLayerBuffers, UploadFillsSixBuffersAndTheVertexArray) {
  DotLayer layer(dotProgram(), 48, 48, 0.025f, 0.0f, 0.0f, kKeys);
  ASSERT_TRUE(layer.complete());
  EXPECT_NE(layer.vertexArray, 0u);
  const GLint vertices = 48 * 48 * 6;
  for (int slot = 0; slot < kDotAttributeCount; ++slot) {
    EXPECT_NE(layer.buffers[slot].name, 0u);
    EXPECT_EQ(layer.buffers[slot].target, static_cast<GLenum>(GL_ARRAY_BUFFER));
    EXPECT_EQ(bufferSize(layer.buffers[slot].name), vertices * (slot == kDotScale ? 4 : 16))
        << kDotsAttributes[slot].name;
    ASSERT_NE(layer.attributes[slot], nullptr);
    EXPECT_EQ(layer.attributes[slot]->name, kDotsAttributes[slot].name);
  }
  // The vertex array records every attribute as enabled, each from its own buffer.
  gl::glBindVertexArray(layer.vertexArray);
  for (int slot = 0; slot < kDotAttributeCount; ++slot) {
    GLint enabled = 0, buffer = 0;
    const GLuint location = static_cast<GLuint>(layer.attributes[slot]->location);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(static_cast<GLuint>(buffer), layer.buffers[slot].name);
  }
  gl::glBindVertexArray(0);
}

TEST(DotLayerBuffers, EmptyGridMakesEmptyArraysAndBuffers) {
  DotLayer layer(dotProgram(), 0, 5, 0.1f, 0.0f, 0.0f, kKeys);
  EXPECT_EQ(layer.vertexCount(), 0u);
  EXPECT_TRUE(layer.positions.empty() && layer.scales.empty() && layer.colors.empty());
  EXPECT_EQ(bufferSize(layer.buffers[kDotPosition].name), 0);
}

TEST(DotLayerBuffers, ProgramWithoutTheAttributesGivesAnIncompleteLayer) {
  ShaderProgram bare;
  bare.glId = dotProgram().glId;
  DotLayer layer(bare, 2, 2, 0.1f, 0.0f, 0.0f, kKeys);
  EXPECT_FALSE(layer.complete());
  EXPECT_EQ(layer.vertexCount(), 24u);
}

}  // namespace

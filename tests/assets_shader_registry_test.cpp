// Shader registry on a real Mesa context: the show's four sources compile and link, lookups follow
// the registry rules, failures stay nameless or unlinked and say why on stderr, and uniforms are
// set by their type code.
#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

#include "assets/shader_registry.h"
#include "assets/shader_sources.h"
#include "gfx/gl.h"
#include "support/headless_gl.h"

namespace {

const char* const kPlainVertex = "#version 120\nvoid main(){ gl_Position = gl_Vertex; }";
const char* const kOtherVertex = "#version 120\nvoid main(){ gl_Position = -gl_Vertex; }";
const char* const kBrokenFragment = "#version 120\nvoid main(){ gl_FragColor = nonsense; }";
// Every uniform type the registry sets, each feeding the output so none is optimised away.
const char* const kUniformFragment =
    "#version 120\n"
    "uniform float f; uniform vec2 v2; uniform vec3 v3; uniform vec4 v4;\n"
    "uniform int i; uniform ivec2 i2; uniform ivec3 i3; uniform ivec4 i4; uniform mat4 m;\n"
    "void main(){ gl_FragColor = vec4(f + v2.x + v3.x + v4.x + float(i + i2.x + i3.x + i4.x))"
    " + m[0]; }";

// Reads uniforms back; the show itself never needs these queries.
std::vector<GLint> uniformInts(GLuint program, GLint location, int count) {
  auto get = reinterpret_cast<PFNGLGETUNIFORMIVPROC>(eglGetProcAddress("glGetUniformiv"));
  GLint values[16] = {};
  get(program, location, values);
  return std::vector<GLint>(values, values + count);
}
std::vector<GLfloat> uniformFloats(GLuint program, GLint location, int count) {
  auto get = reinterpret_cast<PFNGLGETUNIFORMFVPROC>(eglGetProcAddress("glGetUniformfv"));
  GLfloat values[16] = {};
  get(program, location, values);
  return std::vector<GLfloat>(values, values + count);
}

class ShaderRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { headlessGL(); }
  void TearDown() override {
    gl::glUseProgram(0);
    registry.release();
  }
  ShaderRegistry registry;
};

TEST_F(ShaderRegistryTest, ShowSourcesCompileAndLinkWithTheirUniformsAndAttributes) {
  EXPECT_EQ(std::strlen(kOverlayVertexSource), 173u);
  EXPECT_EQ(std::strlen(kOverlayFragmentSource), 158u);
  EXPECT_EQ(std::strlen(kDotsVertexSource), 637u);
  EXPECT_EQ(std::strlen(kDotsFragmentSource), 364u);

  testing::internal::CaptureStderr();
  registry.compileShader("DEFAULT_OVERLAY_VERT", GL_VERTEX_SHADER, kOverlayVertexSource);
  registry.compileShader("DEFAULT_OVERLAY_FRAG", GL_FRAGMENT_SHADER, kOverlayFragmentSource);
  ShaderProgram* overlay =
      registry.linkProgram("OVERLAY", "DEFAULT_OVERLAY_VERT", "DEFAULT_OVERLAY_FRAG");
  registry.compileShader("DOTS_VERT", GL_VERTEX_SHADER, kDotsVertexSource);
  registry.compileShader("DOTS_FRAG", GL_FRAGMENT_SHADER, kDotsFragmentSource);
  ShaderProgram* dots = registry.linkProgram("DOTS", "DOTS_VERT", "DOTS_FRAG");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  ASSERT_NE(overlay, nullptr);
  ASSERT_NE(dots, nullptr);
  EXPECT_TRUE(overlay->linked);
  EXPECT_TRUE(dots->linked);
  EXPECT_EQ(registry.findProgram("OVERLAY"), overlay);
  EXPECT_EQ(registry.findProgram("DOTS"), dots);
  for (const char* name :
       {"DEFAULT_OVERLAY_VERT", "DEFAULT_OVERLAY_FRAG", "DOTS_VERT", "DOTS_FRAG"}) {
    EXPECT_NE(registry.findShader(name), nullptr) << name;
  }

  // Everything the dot program's table names is declared by its sources.
  gl::glUseProgram(dots->glId);
  for (const ProgramUniformSlot& uniform : kDotsUniforms) {
    dots->addUniform(uniform.type, uniform.name);
  }
  for (size_t slot = 0; slot < std::size(kDotsAttributes); ++slot) {
    dots->addAttribute(GLuint(slot), kDotsAttributes[slot].name, kDotsAttributes[slot].size);
  }
  gl::glUseProgram(0);
  for (const ProgramUniformSlot& uniform : kDotsUniforms) {
    const char* name = uniform.name;
    ASSERT_NE(dots->findUniform(name), nullptr) << name;
    EXPECT_GE(dots->findUniform(name)->location, 0) << name;
  }
  for (const ProgramAttributeSlot& slot : kDotsAttributes) {
    const char* name = slot.name;
    const ProgramAttribute* attribute = dots->findAttribute(name);
    ASSERT_NE(attribute, nullptr) << name;
    // The location is the linker's, whatever index was asked for.
    EXPECT_EQ(attribute->location, gl::glGetAttribLocation(dots->glId, name)) << name;
    EXPECT_GE(attribute->location, 0) << name;
    EXPECT_EQ(attribute->componentType, GLenum(GL_FLOAT));
  }
  EXPECT_EQ(dots->findAttribute("aScale")->size, 1);
  EXPECT_EQ(dots->findUniform("TEX"), nullptr);
  EXPECT_EQ(dots->findAttribute("acoords"), nullptr);
}

TEST_F(ShaderRegistryTest, LaterDuplicatesAreNeverFound) {
  registry.compileShader("V", GL_VERTEX_SHADER, kPlainVertex);
  registry.compileShader("V", GL_VERTEX_SHADER, kOtherVertex);
  ASSERT_EQ(registry.shaders().size(), 2u);
  EXPECT_EQ(registry.findShader("V"), registry.shaders()[0].get());
  EXPECT_EQ(registry.findShader("v"), nullptr);

  registry.compileShader("F", GL_FRAGMENT_SHADER,
                         "#version 120\nvoid main(){ gl_FragColor = vec4(1); }");
  ShaderProgram* first = registry.linkProgram("P", "V", "F");
  ShaderProgram* second = registry.linkProgram("P", "V", "F");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(registry.findProgram("P"), first);
  EXPECT_EQ(registry.findProgram("p"), nullptr);
}

TEST_F(ShaderRegistryTest, FailedCompileIsNamelessAndReported) {
  testing::internal::CaptureStderr();
  EXPECT_TRUE(registry.compileShader("BROKEN_FRAG", GL_FRAGMENT_SHADER, kBrokenFragment));
  const std::string log = testing::internal::GetCapturedStderr();
  ASSERT_EQ(registry.shaders().size(), 1u);  // registered all the same
  EXPECT_TRUE(registry.shaders()[0]->name.empty());
  EXPECT_FALSE(registry.shaders()[0]->compiled);
  EXPECT_EQ(registry.findShader("BROKEN_FRAG"), nullptr);
  EXPECT_EQ(registry.findShader(""), nullptr);
  EXPECT_NE(log.find("BROKEN_FRAG"), std::string::npos) << log;
  EXPECT_NE(log.find("nonsense"), std::string::npos) << log;  // the driver's own words
  EXPECT_EQ(log.find('\n'), log.size() - 1) << "one line: " << log;
}

TEST_F(ShaderRegistryTest, LinkNamingAMissingShaderCreatesNothing) {
  testing::internal::CaptureStderr();
  registry.compileShader("V", GL_VERTEX_SHADER, kPlainVertex);
  registry.compileShader("BROKEN_FRAG", GL_FRAGMENT_SHADER, kBrokenFragment);
  const GLuint before = gl::glCreateProgram();
  EXPECT_EQ(registry.linkProgram("P", "V", "BROKEN_FRAG"), nullptr);
  EXPECT_EQ(registry.linkProgram("P", "V", "NEVER_COMPILED"), nullptr);
  EXPECT_EQ(registry.linkProgram("P", "", "V"), nullptr);
  testing::internal::GetCapturedStderr();
  const GLuint after = gl::glCreateProgram();
  EXPECT_TRUE(registry.programs().empty());
  EXPECT_EQ(registry.findProgram("P"), nullptr);
  // No program object was made in between: the next name follows directly.
  EXPECT_EQ(after, before + 1);
  gl::glDeleteProgram(before);
  gl::glDeleteProgram(after);
}

TEST_F(ShaderRegistryTest, FailedLinkIsKeptAndReported) {
  // Two vertex shaders: the shader type plays no part in the lookup, but the link fails.
  registry.compileShader("V1", GL_VERTEX_SHADER, kPlainVertex);
  registry.compileShader("V2", GL_VERTEX_SHADER, kOtherVertex);
  testing::internal::CaptureStderr();
  ShaderProgram* program = registry.linkProgram("TWO_MAINS", "V1", "V2");
  const std::string log = testing::internal::GetCapturedStderr();
  ASSERT_NE(program, nullptr);
  EXPECT_FALSE(program->linked);
  EXPECT_EQ(registry.findProgram("TWO_MAINS"), program);
  EXPECT_NE(log.find("TWO_MAINS"), std::string::npos) << log;
  EXPECT_EQ(log.find('\n'), log.size() - 1) << "one line: " << log;
  program->addUniform(kUniformInt, "tex");
  EXPECT_EQ(program->findUniform("tex")->location, -1);
}

TEST_F(ShaderRegistryTest, UniformsAreSetByTheirType) {
  registry.compileShader("V", GL_VERTEX_SHADER, kPlainVertex);
  registry.compileShader("F", GL_FRAGMENT_SHADER, kUniformFragment);
  ShaderProgram* program = registry.linkProgram("U", "V", "F");
  ASSERT_NE(program, nullptr);
  ASSERT_TRUE(program->linked);
  gl::glUseProgram(program->glId);
  const struct {
    int32_t type;
    const char* name;
  } uniforms[] = {{kUniformFloat, "f"},  {kUniformVec2, "v2"},  {kUniformVec3, "v3"},
                  {kUniformVec4, "v4"},  {kUniformInt, "i"},    {kUniformIVec2, "i2"},
                  {kUniformIVec3, "i3"}, {kUniformIVec4, "i4"}, {kUniformMat4, "m"}};
  for (const auto& u : uniforms) program->addUniform(u.type, u.name);
  auto loc = [&](const char* name) { return program->findUniform(name)->location; };

  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  program->findUniform("m")->setValues(identity);
  program->findUniform("m")->setInt(7);  // a matrix is not set from one integer
  EXPECT_EQ(uniformFloats(program->glId, loc("m"), 16),
            std::vector<GLfloat>(identity, identity + 16));
  program->findUniform("f")->setInt(7);  // nor is a float
  EXPECT_EQ(uniformFloats(program->glId, loc("f"), 1), std::vector<GLfloat>{0});

  const int32_t ints[4] = {5, 6, 7, 8};
  program->findUniform("i2")->setValues(ints);
  EXPECT_EQ(uniformInts(program->glId, loc("i2"), 2), (std::vector<GLint>{5, 6}));
  program->findUniform("i2")->setInt(1);
  EXPECT_EQ(uniformInts(program->glId, loc("i2"), 2), (std::vector<GLint>{1, 0}));
  program->findUniform("i")->setInt(3);
  EXPECT_EQ(uniformInts(program->glId, loc("i"), 1), std::vector<GLint>{3});
  program->findUniform("i3")->setInt(4);
  EXPECT_EQ(uniformInts(program->glId, loc("i3"), 3), (std::vector<GLint>{4, 0, 0}));
  program->findUniform("i4")->setValues(ints);
  EXPECT_EQ(uniformInts(program->glId, loc("i4"), 4), (std::vector<GLint>{5, 6, 7, 8}));
  program->findUniform("i4")->setInt(9);
  EXPECT_EQ(uniformInts(program->glId, loc("i4"), 4), (std::vector<GLint>{9, 0, 0, 0}));

  const float floats[4] = {0.5f, 1.5f, 2.5f, 3.5f};
  program->findUniform("f")->setValues(floats);
  program->findUniform("v3")->setValues(floats);
  program->findUniform("v4")->setValues(floats);
  EXPECT_EQ(uniformFloats(program->glId, loc("f"), 1), std::vector<GLfloat>{0.5f});
  EXPECT_EQ(uniformFloats(program->glId, loc("v3"), 3), (std::vector<GLfloat>{0.5f, 1.5f, 2.5f}));
  EXPECT_EQ(uniformFloats(program->glId, loc("v4"), 4),
            (std::vector<GLfloat>{0.5f, 1.5f, 2.5f, 3.5f}));
}

TEST_F(ShaderRegistryTest, ReleaseDeletesProgramsAndShaders) {
  registry.compileShader("V", GL_VERTEX_SHADER, kPlainVertex);
  registry.compileShader("F", GL_FRAGMENT_SHADER,
                         "#version 120\nvoid main(){ gl_FragColor = vec4(1); }");
  const GLuint program = registry.linkProgram("P", "V", "F")->glId;
  const GLuint shader = registry.findShader("V")->glId;
  auto isProgram = reinterpret_cast<PFNGLISPROGRAMPROC>(eglGetProcAddress("glIsProgram"));
  auto isShader = reinterpret_cast<PFNGLISSHADERPROC>(eglGetProcAddress("glIsShader"));
  EXPECT_TRUE(isProgram(program));
  registry.release();
  EXPECT_FALSE(isProgram(program));
  EXPECT_FALSE(isShader(shader));
  EXPECT_TRUE(registry.programs().empty());
  EXPECT_TRUE(registry.shaders().empty());
}

}  // namespace

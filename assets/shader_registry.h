// Named GLSL shaders and programs with their uniforms and vertex attributes. Same rules as the
// texture registry: creation order, first exact match, nothing removed before release().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assets/named_records.h"
#include "gfx/gl.h"

// One bit per uniform type.
enum UniformType : int32_t {
  kUniformFloat = 1,
  kUniformVec2 = 2,
  kUniformVec3 = 4,
  kUniformVec4 = 8,
  kUniformInt = 16,  // also sampler2D
  kUniformIVec2 = 32,
  kUniformIVec3 = 64,
  kUniformIVec4 = 128,
  kUniformMat4 = 256,
};

struct Shader {
  GLuint glId = 0;
  GLenum type = 0;
  std::string name;  // empty when compilation failed: such a shader is never found
  bool compiled = false;
};

struct ProgramUniform {
  GLint location = -1;
  std::string name;
  int32_t type = 0;
  // Sets an integer uniform of the program in use; types other than 16/32/64/128 do nothing.
  void setInt(int32_t value) const;
  // Sets one element from floats (types 1, 2, 4, 8, 256) or 32-bit ints (16 to 128).
  void setValues(const void* values) const;
};

struct ProgramAttribute {
  GLint location = -1;
  std::string name;
  GLenum componentType = GL_FLOAT;
  int32_t size = 0;
};

struct ShaderProgram {
  std::vector<std::unique_ptr<ProgramUniform>> uniforms;
  std::vector<std::unique_ptr<ProgramAttribute>> attributes;
  GLuint glId = 0;
  std::string name;
  bool linked = false;

  void addUniform(int32_t type, const char* uniformName);
  ProgramUniform* findUniform(const char* uniformName);
  void addAttribute(GLuint index, const char* attributeName, int32_t size);
  ProgramAttribute* findAttribute(const char* attributeName);
};

class ShaderRegistry {
 public:
  ShaderRegistry() = default;
  ~ShaderRegistry();
  ShaderRegistry(const ShaderRegistry&) = delete;
  ShaderRegistry& operator=(const ShaderRegistry&) = delete;

  // Always registers the shader; a failed compile leaves it nameless and prints the driver's log.
  bool compileShader(const char* name, GLenum type, const char* source);
  // Null (and nothing created) when either shader is not found; a failed link is still registered.
  ShaderProgram* linkProgram(const char* name, const char* vertexShaderName,
                             const char* fragmentShaderName);
  ShaderProgram* findProgram(const char* name);
  // findProgram for a program the show draws with; the first miss of a name is said on stderr.
  ShaderProgram* requireProgram(const char* name);
  Shader* findShader(const char* name);

  // Deletes every program, then every shader; needs the context current.
  void release();

  const std::vector<std::unique_ptr<Shader>>& shaders() const { return shaderList; }
  const std::vector<std::unique_ptr<ShaderProgram>>& programs() const { return programList; }

 private:
  MissingNames missing;
  std::vector<std::unique_ptr<Shader>> shaderList;
  std::vector<std::unique_ptr<ShaderProgram>> programList;
};

extern ShaderRegistry* currentShaderRegistry;

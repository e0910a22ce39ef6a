// Named GLSL shaders and programs with the uniforms and attributes their users look up by name.
// A shader that fails to compile stays nameless (so programs naming it are never made) and a
// program that fails to link is kept; both say why on stderr with the driver's log.
#include "assets/shader_registry.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "assets/named_records.h"
#include "gfx/gl.h"

ShaderRegistry* currentShaderRegistry = nullptr;

namespace {

// The driver's log as one line: line breaks become "; ", trailing ones are dropped.
std::string oneLine(std::string log) {
  while (!log.empty() && (log.back() == '\n' || log.back() == '\r' || log.back() == '\0')) {
    log.pop_back();
  }
  std::string line;
  for (char c : log) {
    if (c == '\n') {
      line += "; ";
    } else if (c != '\r') {
      line += c;
    }
  }
  return line.empty() ? "(no log)" : line;
}

// The driver's log of a shader or a program: both are read the same way, each through its own
// pair of entry points.
std::string infoLog(GLuint object, PFNGLGETSHADERIVPROC getParameter,
                    PFNGLGETSHADERINFOLOGPROC getLog) {
  GLint length = 0;
  getParameter(object, GL_INFO_LOG_LENGTH, &length);
  if (length <= 0) return {};
  std::string log(size_t(length), '\0');
  GLsizei written = 0;
  getLog(object, length, &written, log.data());
  log.resize(size_t(written));
  return log;
}

}  // namespace

// Only memory is freed here: the GL context may be gone at process exit, so every GL deletion
// belongs to release().
// The process-wide pointer never outlives the registry it names.
ShaderRegistry::~ShaderRegistry() {
  if (currentShaderRegistry == this) currentShaderRegistry = nullptr;
}

bool ShaderRegistry::compileShader(const char* name, GLenum type, const char* source) {
  auto shader = std::make_unique<Shader>();
  shader->type = type;
  shader->glId = gl::glCreateShader(type);
  const GLint length = source ? GLint(std::strlen(source)) : 0;
  const char* text = source ? source : "";
  gl::glShaderSource(shader->glId, 1, &text, &length);
  gl::glCompileShader(shader->glId);
  GLint status = 0;
  gl::glGetShaderiv(shader->glId, GL_COMPILE_STATUS, &status);
  shader->compiled = status != 0;
  // A failed shader stays in the list (release() deletes its GL object) but gets no name, so no
  // program can be linked from it.
  if (shader->compiled) {
    shader->name = name ? name : "";
  } else {
    std::fprintf(stderr, "nightloom: warning: shader %s failed to compile: %s\n",
                 name ? name : "(null)",
                 oneLine(infoLog(shader->glId, gl::glGetShaderiv, gl::glGetShaderInfoLog)).c_str());
  }
  shaderList.push_back(std::move(shader));
  return true;
}

ShaderProgram* ShaderRegistry::linkProgram(const char* name, const char* vertexShaderName,
                                           const char* fragmentShaderName) {
  // A shader that failed to compile has no name, so the empty name must never match it.
  Shader* vertex = vertexShaderName && *vertexShaderName ? findShader(vertexShaderName) : nullptr;
  Shader* fragment =
      fragmentShaderName && *fragmentShaderName ? findShader(fragmentShaderName) : nullptr;
  if (!vertex || !fragment) {
    std::fprintf(stderr, "nightloom: warning: program %s not made: no compiled shader named %s\n",
                 name ? name : "(null)",
                 !vertex ? (vertexShaderName ? vertexShaderName : "(null)")
                         : (fragmentShaderName ? fragmentShaderName : "(null)"));
    return nullptr;
  }
  auto program = std::make_unique<ShaderProgram>();
  program->name = name ? name : "";
  program->glId = gl::glCreateProgram();
  gl::glAttachShader(program->glId, vertex->glId);
  gl::glAttachShader(program->glId, fragment->glId);
  gl::glLinkProgram(program->glId);
  GLint status = 0;
  gl::glGetProgramiv(program->glId, GL_LINK_STATUS, &status);
  program->linked = status != 0;
  if (!program->linked) {
    std::fprintf(
        stderr, "nightloom: warning: program %s failed to link: %s\n", program->name.c_str(),
        oneLine(infoLog(program->glId, gl::glGetProgramiv, gl::glGetProgramInfoLog)).c_str());
  }
  // Kept even when the link failed: the caller decides what a program that did not link means.
  programList.push_back(std::move(program));
  return programList.back().get();
}

ShaderProgram* ShaderRegistry::findProgram(const char* name) {
  return findByName(programList, name);
}

ShaderProgram* ShaderRegistry::requireProgram(const char* name) {
  return requireByName(programList, name, missing, "shader program");
}

Shader* ShaderRegistry::findShader(const char* name) {
  if (!name || !*name) return nullptr;
  return findByName(shaderList, name);
}

void ShaderRegistry::release() {
  for (const std::unique_ptr<ShaderProgram>& program : programList) {
    gl::glDeleteProgram(program->glId);
  }
  for (const std::unique_ptr<Shader>& shader : shaderList) {
    gl::glDeleteShader(shader->glId);
  }
  programList.clear();
  shaderList.clear();
}

void ShaderProgram::addUniform(int32_t type, const char* uniformName) {
  auto uniform = std::make_unique<ProgramUniform>();
  uniform->name = uniformName ? uniformName : "";
  uniform->location = gl::glGetUniformLocation(glId, uniform->name.c_str());
  uniform->type = type;
  uniforms.push_back(std::move(uniform));
}

ProgramUniform* ShaderProgram::findUniform(const char* uniformName) {
  return findByName(uniforms, uniformName);
}

// The requested index is bound after the link, so it does not take effect: users read the
// location the linker chose, which this stores.
void ShaderProgram::addAttribute(GLuint index, const char* attributeName, int32_t size) {
  auto attribute = std::make_unique<ProgramAttribute>();
  attribute->name = attributeName ? attributeName : "";
  gl::glBindAttribLocation(glId, index, attribute->name.c_str());
  attribute->location = gl::glGetAttribLocation(glId, attribute->name.c_str());
  attribute->componentType = GL_FLOAT;
  attribute->size = size;
  attributes.push_back(std::move(attribute));
}

ProgramAttribute* ShaderProgram::findAttribute(const char* attributeName) {
  return findByName(attributes, attributeName);
}

void ProgramUniform::setInt(int32_t value) const {
  switch (type) {
    case kUniformInt:
      gl::glUniform1i(location, value);
      break;
    case kUniformIVec2:
      gl::glUniform2i(location, value, 0);
      break;
    case kUniformIVec3:
      gl::glUniform3i(location, value, 0, 0);
      break;
    case kUniformIVec4:
      gl::glUniform4i(location, value, 0, 0, 0);
      break;
    default:
      break;  // float, vector and matrix uniforms are not set from one integer
  }
}

void ProgramUniform::setValues(const void* values) const {
  const auto* f = static_cast<const GLfloat*>(values);
  const auto* i = static_cast<const GLint*>(values);
  switch (type) {
    case kUniformFloat:
      gl::glUniform1fv(location, 1, f);
      break;
    case kUniformVec2:
      gl::glUniform2fv(location, 1, f);
      break;
    case kUniformVec3:
      gl::glUniform3fv(location, 1, f);
      break;
    case kUniformVec4:
      gl::glUniform4fv(location, 1, f);
      break;
    case kUniformInt:
      gl::glUniform1iv(location, 1, i);
      break;
    case kUniformIVec2:
      gl::glUniform2iv(location, 1, i);
      break;
    case kUniformIVec3:
      gl::glUniform3iv(location, 1, i);
      break;
    case kUniformIVec4:
      gl::glUniform4iv(location, 1, i);
      break;
    case kUniformMat4:
      gl::glUniformMatrix4fv(location, 1, GL_FALSE, f);
      break;
    default:
      break;
  }
}

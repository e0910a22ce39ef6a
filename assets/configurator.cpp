// The build-up of every asset, in one fixed order: music, overlay program, dot program, the two
// render-target textures and their targets, then the eight pictures.
#include "assets/configurator.h"

#include <cstdio>
#include <span>

#include "assets/data_files.h"
#include "assets/packed_image.h"
#include "assets/shader_registry.h"
#include "assets/shader_sources.h"
#include "assets/show_data.h"
#include "assets/texture_registry.h"
#include "audio/music.h"
#include "base/widescreen.h"
#include "gfx/gl.h"
#include "launcher/demo_context.h"

namespace {

void warn(const std::string& message) {
  std::fprintf(stderr, "nightloom: warning: %s\n", message.c_str());
}

// The pixels a picture may hand to createTexture: only a decoded buffer of exactly the table's
// size, since createTexture copies width * height * 4 bytes from it.
const uint8_t* usablePixels(const PictureFile& row, const PackedImage& image, bool loaded,
                            const std::string& path) {
  if (!loaded || !image.pixels) {
    const std::string why = image.error.empty() ? "cannot read " + path : image.error;
    warn(std::string("picture \"") + row.texture + "\" stays blank: " + why);
    return nullptr;
  }
  if (image.width != row.width || image.height != row.height) {
    warn(std::string("picture \"") + row.texture + "\" stays blank: " + path + " is " +
         std::to_string(image.width) + "x" + std::to_string(image.height) + ", expected " +
         std::to_string(row.width) + "x" + std::to_string(row.height));
    return nullptr;
  }
  return image.pixels.get();
}

GLint minFilterOf(PictureFilter filter) {
  return filter == PictureFilter::Nearest ? GL_NEAREST : GL_LINEAR_MIPMAP_LINEAR;
}

GLint magFilterOf(PictureFilter filter) {
  return filter == PictureFilter::Nearest ? GL_NEAREST : GL_LINEAR;
}

// Registers what the program's sources declare, with the program in use: uniform locations are
// read from the linked program, and attribute locations asked for by slot.
void registerInputs(ShaderProgram& program, std::span<const ProgramUniformSlot> uniforms,
                    std::span<const ProgramAttributeSlot> attributes = {}) {
  gl::glUseProgram(program.glId);
  for (const ProgramUniformSlot& uniform : uniforms) program.addUniform(uniform.type, uniform.name);
  for (size_t slot = 0; slot < attributes.size(); ++slot) {
    program.addAttribute(static_cast<GLuint>(slot), attributes[slot].name, attributes[slot].size);
  }
  gl::glUseProgram(0);
}

}  // namespace

bool DemoConfigurator::fail(std::string reason) {
  failure = std::move(reason);
  return false;
}

ActorsConfigurator::ActorsConfigurator(DemoContext* demoContext)
    : DemoConfigurator(demoContext),
      assets(std::make_unique<Assets>(&demoContext->textureRegistry)) {}

bool ActorsConfigurator::configure() {
  if (!openMusicFile(context->music, dataFilePath(kMusicFile))) return fail(context->music.error);
  return buildGraphicsAssets();
}

bool ActorsConfigurator::buildGraphicsAssets() {
  if (!buildProgram(kOverlayProgram, "DEFAULT_OVERLAY_VERT", kOverlayVertexSource,
                    "DEFAULT_OVERLAY_FRAG", kOverlayFragmentSource)) {
    return false;
  }
  registerInputs(*context->shaderRegistry.findProgram(kOverlayProgram), kOverlayUniforms);

  if (!buildProgram(kDotsProgram, "DOTS_VERT", kDotsVertexSource, "DOTS_FRAG",
                    kDotsFragmentSource)) {
    return false;
  }
  registerInputs(*context->shaderRegistry.findProgram(kDotsProgram), kDotsUniforms,
                 kDotsAttributes);

  buildRenderTargets();
  buildImages();
  return true;
}

bool ActorsConfigurator::buildProgram(const char* programName, const char* vertexName,
                                      const char* vertexSource, const char* fragmentName,
                                      const char* fragmentSource) {
  ShaderRegistry& shaders = context->shaderRegistry;
  shaders.compileShader(vertexName, GL_VERTEX_SHADER, vertexSource);
  shaders.compileShader(fragmentName, GL_FRAGMENT_SHADER, fragmentSource);
  ShaderProgram* program = shaders.linkProgram(programName, vertexName, fragmentName);
  if (program == nullptr) {
    const char* failed = shaders.findShader(vertexName) == nullptr ? vertexName : fragmentName;
    return fail(std::string("the shader \"") + failed + "\" of the program \"" + programName +
                "\" did not compile");
  }
  if (!program->linked) {
    return fail(std::string("the program \"") + programName + "\" did not link");
  }
  return true;
}

void ActorsConfigurator::buildRenderTargets() {
  TextureRegistry& textures = context->textureRegistry;
  const int32_t side = context->width;
  textures.createTexture(kSceneTexture, side, side, kMipmapNone, nullptr, GL_LINEAR, GL_LINEAR);
  textures.createTexture(kHalftoneTexture, side, side, kMipmapNone, nullptr, GL_LINEAR, GL_LINEAR);
  textures.createRenderTarget(kSceneTarget, textures.findTexture(kSceneTexture), kTargetBandRatio);
  textures.createRenderTarget(kHalftoneTarget, textures.findTexture(kHalftoneTexture),
                              kTargetBandRatio);
}

void ActorsConfigurator::buildImages() {
  PackedImage image;
  for (const PictureFile& row : kPictureFiles) {
    const std::string path = dataFilePath(row.file);
    const bool loaded = image.loadPackedImage(path.c_str());
    const uint8_t* pixels = usablePixels(row, image, loaded, path);
    assets->textureRegistry->createTexture(row.texture, row.width, row.height, kMipmapBuild, pixels,
                                           minFilterOf(row.filter), magFilterOf(row.filter));
    ImageEntry entry;
    entry.name = row.texture;
    entry.pixels = std::move(image.pixels);
    entry.palette = std::move(image.palette);
    entry.width = image.width;
    entry.height = image.height;
    assets->images.push_back(std::move(entry));
  }
}

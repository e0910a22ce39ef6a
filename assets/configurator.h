// The start-up build of every asset: the music, the overlay and dot programs with their uniforms
// and attributes, the two render targets and the eight pictures. The entry creates the
// ActorsConfigurator with its Assets before the setup dialog and runs configure() once the GL
// context exists; Assets keeps the decoded pictures alive until the configurator goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct DemoContext;
class TextureRegistry;

// One picture read at start; the entry owns the decoded buffers.
struct ImageEntry {
  const char* name = nullptr;  // the texture name, a constant of the build-up
  std::unique_ptr<uint8_t[]> pixels;
  std::unique_ptr<uint8_t[]> palette;
  int32_t width = 0;
  int32_t height = 0;
};

class Assets {
 public:
  explicit Assets(TextureRegistry* registry) : textureRegistry(registry) {}
  virtual ~Assets() = default;

  TextureRegistry* textureRegistry;  // not owned
  std::vector<ImageEntry> images;
};

class DemoConfigurator {
 public:
  explicit DemoConfigurator(DemoContext* demoContext) : context(demoContext) {}
  virtual ~DemoConfigurator() = default;
  // Builds every asset with the GL context current. False when something the show cannot run
  // without failed; error() says what, in one sentence.
  virtual bool configure() = 0;
  const std::string& error() const { return failure; }

  DemoContext* context;  // not owned

 protected:
  bool fail(std::string reason);

  std::string failure;
};

class ActorsConfigurator : public DemoConfigurator {
 public:
  // Creates its Assets over the context's texture registry.
  explicit ActorsConfigurator(DemoContext* demoContext);
  ActorsConfigurator(DemoContext* demoContext, std::unique_ptr<Assets> ownAssets)
      : DemoConfigurator(demoContext), assets(std::move(ownAssets)) {}
  ~ActorsConfigurator() override = default;

  // Opens the music, then builds the graphics. False at once, with nothing built, when the music
  // fails (the music's message); false when a shader or program fails (naming it).
  bool configure() override;

  // Everything after the music: programs, render-target textures, render targets, pictures. A
  // picture that is missing, unreadable or of the wrong size stays an all-zero texture and gets one
  // warning line on stderr.
  bool buildGraphicsAssets();

  std::unique_ptr<Assets> assets;

 private:
  bool buildProgram(const char* programName, const char* vertexName, const char* vertexSource,
                    const char* fragmentName, const char* fragmentSource);
  void buildRenderTargets();
  void buildImages();
};

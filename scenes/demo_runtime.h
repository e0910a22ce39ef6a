// The runtime set-up of the dot field and the scenes: built once after the assets, it publishes the
// registry pointers, builds the three halftone layers, seeds the random generator and fills the
// scene tables the scenes then animate.
#pragma once

#include <memory>
#include <string>

#include "dots/dot_field.h"

struct DemoContext;
struct MusicState;
class ShaderRegistry;

class DemoRuntime {
 public:
  // Runs the whole set-up and publishes itself as demoRuntime. When the program "DOTS" or one of
  // its attributes or uniforms is missing no layer is built and ok() is false with error() saying
  // what is missing; the entry then ends start-up.
  explicit DemoRuntime(DemoContext& demoContext);
  // Destroys the layers fine, medium, coarse, then the table: call it while the context is current.
  ~DemoRuntime();
  DemoRuntime(const DemoRuntime&) = delete;
  DemoRuntime& operator=(const DemoRuntime&) = delete;

  bool ok() const { return failure.empty(); }
  const std::string& error() const { return failure; }

  DemoContext* context = nullptr;
  MusicState* music = nullptr;
  ShaderRegistry* shaders = nullptr;  // not read through here

 private:
  std::string checkDotProgram() const;
  void buildLayers();
  static void seedSceneTables();

  std::unique_ptr<DotLayerTable> table;
  std::string failure;
};

extern DemoRuntime* demoRuntime;

// Seed of the show's one random generator.
inline constexpr uint32_t kRandomSeed = 564132;

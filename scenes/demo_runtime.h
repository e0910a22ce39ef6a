// The dot field's set-up and the seeding of everything the scenes animate: built once after the
// assets, it publishes the registry pointers, builds the three halftone layers, seeds the random
// generator and fills the scene tables. The timeline reads the clock and the music through it.
#pragma once

#include <memory>
#include <string>

#include "dots/dot_layer.h"

struct DemoContext;
struct MusicState;
class ShaderRegistry;

// The three layers, coarse to fine; the dot-field draw visits them in this order.
struct DotLayerTable {
  std::unique_ptr<DotLayer> coarse;  // 48 x 48
  std::unique_ptr<DotLayer> medium;  // 96 x 96
  std::unique_ptr<DotLayer> fine;    // 192 x 192
};

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
extern DotLayerTable* dotLayerTable;

// Seed of the show's one random generator.
inline constexpr uint32_t kRandomSeed = 564132;

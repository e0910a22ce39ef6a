// Dot-field set-up: registry pointers, the three layers (built fine first), the seeded generator
// and the starting contents of the scene tables.
#include "scenes/demo_runtime.h"

#include "app/scene_params.h"
#include "assets/shader_sources.h"
#include "assets/show_data.h"
#include "gfx/gl.h"
#include "launcher/demo_context.h"

DemoRuntime* demoRuntime = nullptr;

namespace {

struct LayerRow {
  std::unique_ptr<DotLayer> DotLayerTable::*slot;
  int32_t grid;
  float halfSize;
  float offset;  // the same in x and y; it puts all three grids on one centre
  std::array<float, 4> phaseKeys;
};

// In build order: fine, medium, coarse. The phase keys are a layer's dot size at phases 0, 1, 2
// and 3: each layer is whole at one phase and gone at the next, so moving the phase crossfades
// from coarse to medium to fine screens. Each grid halves the step of the one before.
const LayerRow kLayerRows[3] = {
    {&DotLayerTable::fine, 192, 0.00625f, -0.01875f, {0.0f, 0.0f, 1.0f, 0.0f}},
    {&DotLayerTable::medium, 96, 0.0125f, -0.0125f, {0.0f, 1.0f, 0.0f, 0.0f}},
    {&DotLayerTable::coarse, 48, 0.025f, 0.0f, {1.0f, 0.0f, 0.0f, 0.0f}},
};

const Vec4 kRingDotColors[15] = {
    {1, 0, 0, 1},    {0, 1, 0, 1},    {0, 0, 1, 1}, {1, 0.5f, 0, 1}, {0, 0.5f, 1, 1},
    {1, 0, 0.5f, 1}, {1, 0, 0, 1},    {0, 1, 0, 1}, {0, 0, 1, 1},    {0.5f, 1, 0, 1},
    {0, 1, 0.5f, 1}, {0.5f, 0, 1, 1}, {1, 0, 0, 1}, {0, 1, 0, 1},    {0, 0, 1, 1},
};

}  // namespace

DemoRuntime::DemoRuntime(DemoContext& demoContext)
    : context(&demoContext), music(&demoContext.music), shaders(&demoContext.shaderRegistry) {
  currentShaderRegistry = &demoContext.shaderRegistry;
  currentTextureRegistry = &demoContext.textureRegistry;
  demoRuntime = this;
  table = std::make_unique<DotLayerTable>();
  failure = checkDotProgram();
  if (!failure.empty()) return;
  buildLayers();
  dotLayerTable = table.get();
  dotPictureCulling = gl::rendererDrawsOnTheProcessor();
  seedSceneTables();
}

// The pointers it published go with it: after an off-screen run or a web page's show they would
// name registries and layers that the next show does not own.
DemoRuntime::~DemoRuntime() {
  if (dotLayerTable == table.get()) dotLayerTable = nullptr;
  if (currentShaderRegistry == shaders) currentShaderRegistry = nullptr;
  if (currentTextureRegistry == &context->textureRegistry) currentTextureRegistry = nullptr;
  table->fine.reset();
  table->medium.reset();
  table->coarse.reset();
  table.reset();
  if (demoRuntime == this) demoRuntime = nullptr;
}

std::string DemoRuntime::checkDotProgram() const {
  ShaderProgram* program = currentShaderRegistry->findProgram(kDotsProgram);
  if (program == nullptr) return "the dot program \"DOTS\" does not exist";
  if (!program->linked) return "the dot program \"DOTS\" did not link";
  for (const ProgramAttributeSlot& slot : kDotsAttributes) {
    const ProgramAttribute* attribute = program->findAttribute(slot.name);
    if (attribute == nullptr || attribute->location < 0) {
      return std::string("the dot program \"DOTS\" lacks the attribute \"") + slot.name + "\"";
    }
  }
  for (const ProgramUniformSlot& slot : kDotsUniforms) {
    if (program->findUniform(slot.name) == nullptr) {
      return std::string("the dot program \"DOTS\" lacks the uniform \"") + slot.name + "\"";
    }
  }
  return {};
}

void DemoRuntime::buildLayers() {
  for (const LayerRow& row : kLayerRows) {
    ShaderProgram* program = currentShaderRegistry->findProgram(kDotsProgram);
    (*table).*row.slot = std::make_unique<DotLayer>(*program, row.grid, row.grid, row.halfSize,
                                                    row.offset, row.offset, row.phaseKeys);
  }
}

void DemoRuntime::seedSceneTables() {
  SceneParams& params = sceneParams;
  params.random.seed(kRandomSeed);
  params.tripleDotColors.push_back({1, 0, 0, 1});
  params.tripleDotColors.push_back({0, 1, 0, 1});
  params.tripleDotColors.push_back({0, 0, 1, 1});
  params.cubePositions.push_back({0, 0, 0, 1});
  params.cubeScales.push_back(10.0f);
  params.cubeLastStep[0] = params.cubeLastStep[1] = params.cubeLastStep[2] = 4;
  params.ringDotColors.insert(params.ringDotColors.end(), std::begin(kRingDotColors),
                              std::end(kRingDotColors));
  // Radius, speed and size for each dot in turn: the order of the draws decides the ring, so the
  // one seeded generator gives the same ring on every run.
  for (int i = 0; i < 15; ++i) {
    params.ringDotRadii.push_back(params.random.plusUpTo(4.2f, 4.0f));
    params.ringDotSpeeds.push_back(params.random.plusUpTo(1.0f, 4.0f));
    params.ringDotSizes.push_back(params.random.plusUpTo(0.27f, 0.25f));
  }
}

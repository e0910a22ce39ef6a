// The runtime set-up: the three dot layers in their slots, all on one "DOTS" program, and the
// failure that a missing dot program or attribute gives. Whether the scene tables it fills come out
// the same on every run is the show checks' two identical runs.
#include <gtest/gtest.h>

#include "assets/shader_registry.h"
#include "assets/shader_sources.h"
#include "assets/texture_registry.h"
#include "launcher/demo_context.h"
#include "scenes/demo_runtime.h"
#include "support/dot_assets.h"

namespace {

// The three layers stand in their slots, each on the one "DOTS" program's attribute records.
TEST(DemoRuntimeSetUp, BuildsTheThreeLayersOnOneProgram) {
  DemoContext& context = dotFieldContext();
  ASSERT_NE(demoRuntime, nullptr);
  EXPECT_TRUE(demoRuntime->ok());
  ASSERT_NE(dotLayerTable, nullptr);
  ASSERT_TRUE(dotLayerTable->coarse && dotLayerTable->medium && dotLayerTable->fine);
  ShaderProgram* dots = context.shaderRegistry.findProgram("DOTS");
  ASSERT_NE(dots, nullptr);
  for (const DotLayer* layer :
       {dotLayerTable->coarse.get(), dotLayerTable->medium.get(), dotLayerTable->fine.get()}) {
    EXPECT_EQ(layer->attributes[kDotScale], dots->findAttribute("aScale"));
  }
}

TEST(DemoRuntimeSetUp, MissingDotProgramFailsWithoutBuildingLayers) {
  DemoContext& shown = dotFieldContext();
  DemoRuntime* const shownRuntime = demoRuntime;
  DotLayerTable* const shownTable = dotLayerTable;
  {
    DemoContext bare;
    DemoRuntime runtime(bare);
    EXPECT_FALSE(runtime.ok());
    EXPECT_NE(runtime.error().find("\"DOTS\""), std::string::npos) << runtime.error();
    EXPECT_EQ(dotLayerTable, shownTable);
  }
  // Put the show's pointers back for the other tests of this process.
  demoRuntime = shownRuntime;
  currentShaderRegistry = &shown.shaderRegistry;
  currentTextureRegistry = &shown.textureRegistry;
}

TEST(DemoRuntimeSetUp, DotProgramWithoutAnAttributeIsNamed) {
  DemoContext& shown = dotFieldContext();
  DemoRuntime* const shownRuntime = demoRuntime;
  {
    DemoContext partial;
    ShaderRegistry& shaders = partial.shaderRegistry;
    shaders.compileShader("DOTS_VERT", GL_VERTEX_SHADER, kDotsVertexSource);
    shaders.compileShader("DOTS_FRAG", GL_FRAGMENT_SHADER, kDotsFragmentSource);
    ShaderProgram* program = shaders.linkProgram("DOTS", "DOTS_VERT", "DOTS_FRAG");
    ASSERT_NE(program, nullptr);
    for (const ProgramUniformSlot& uniform : kDotsUniforms) {
      program->addUniform(uniform.type, uniform.name);
    }
    // Every attribute but the last, "aScale".
    for (int slot = 0; slot < kDotScale; ++slot) {
      program->addAttribute(slot, kDotsAttributes[slot].name, kDotsAttributes[slot].size);
    }
    DemoRuntime runtime(partial);
    EXPECT_FALSE(runtime.ok());
    EXPECT_NE(runtime.error().find("\"aScale\""), std::string::npos) << runtime.error();
    shaders.release();
  }
  demoRuntime = shownRuntime;
  currentShaderRegistry = &shown.shaderRegistry;
  currentTextureRegistry = &shown.textureRegistry;
}

}  // namespace

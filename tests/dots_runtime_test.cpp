// The dot-field set-up: registry pointers, the three layers in their slots (all on one "DOTS"
// program), the generator seeded with 564132 and the scene tables its 45 draws fill, and the
// failure that a missing dot program gives.
#include <gtest/gtest.h>

#include "app/scene_params.h"
#include "assets/shader_registry.h"
#include "assets/shader_sources.h"
#include "assets/texture_registry.h"
#include "launcher/demo_context.h"
#include "scenes/demo_runtime.h"
#include "support/dot_assets.h"

namespace {

TEST(DemoRuntimeSetUp, PublishesRegistriesAndTheLayerTable) {
  DemoContext& context = dotFieldContext();
  ASSERT_NE(demoRuntime, nullptr);
  EXPECT_TRUE(demoRuntime->ok());
  EXPECT_EQ(demoRuntime->context, &context);
  EXPECT_EQ(demoRuntime->music, &context.music);
  EXPECT_EQ(demoRuntime->shaders, &context.shaderRegistry);
  EXPECT_EQ(currentShaderRegistry, &context.shaderRegistry);
  EXPECT_EQ(currentTextureRegistry, &context.textureRegistry);

  ASSERT_NE(dotLayerTable, nullptr);
  ASSERT_TRUE(dotLayerTable->coarse && dotLayerTable->medium && dotLayerTable->fine);
  EXPECT_EQ(dotLayerTable->coarse->vertexCount(), 48u * 48u * 6u);
  EXPECT_EQ(dotLayerTable->medium->vertexCount(), 96u * 96u * 6u);
  EXPECT_EQ(dotLayerTable->fine->vertexCount(), 192u * 192u * 6u);
  EXPECT_EQ(dotLayerTable->coarse->phaseKeys, (std::array<float, 4>{1, 0, 0, 0}));
  EXPECT_EQ(dotLayerTable->medium->phaseKeys, (std::array<float, 4>{0, 1, 0, 0}));
  EXPECT_EQ(dotLayerTable->fine->phaseKeys, (std::array<float, 4>{0, 0, 1, 0}));
  // Built fine first: its GL objects got the lowest names of the three.
  EXPECT_LT(dotLayerTable->fine->vertexArray, dotLayerTable->medium->vertexArray);
  EXPECT_LT(dotLayerTable->medium->vertexArray, dotLayerTable->coarse->vertexArray);
  // Every layer refers to the one "DOTS" program's attribute records.
  ShaderProgram* dots = context.shaderRegistry.findProgram("DOTS");
  ASSERT_NE(dots, nullptr);
  for (const DotLayer* layer :
       {dotLayerTable->coarse.get(), dotLayerTable->medium.get(), dotLayerTable->fine.get()}) {
    EXPECT_EQ(layer->attributes[kDotScale], dots->findAttribute("aScale"));
  }
}

TEST(DemoRuntimeSetUp, FillsTheSceneTablesFromTheSeededGenerator) {
  dotFieldContext();
  const SceneParams& p = sceneParams;
  ASSERT_EQ(p.tripleDotColors.size(), 3u);
  EXPECT_EQ(p.tripleDotColors[1].y, 1.0f);
  ASSERT_EQ(p.cubePositions.size(), 1u);
  EXPECT_EQ(p.cubePositions[0].w, 1.0f);
  ASSERT_EQ(p.cubeScales.size(), 1u);
  EXPECT_EQ(p.cubeScales[0], 10.0f);
  EXPECT_EQ(p.cubeLastStep[0], 4);
  EXPECT_EQ(p.cubeLastStep[2], 4);
  ASSERT_EQ(p.ringDotColors.size(), 15u);
  EXPECT_EQ(p.ringDotColors[3].y, 0.5f);
  EXPECT_EQ(p.ringDotColors[11].x, 0.5f);
  EXPECT_EQ(p.ringDotColors[11].z, 1.0f);
  ASSERT_EQ(p.ringDotRadii.size(), 15u);
  ASSERT_EQ(p.ringDotSpeeds.size(), 15u);
  ASSERT_EQ(p.ringDotSizes.size(), 15u);
  // Draws 7248, 5919, 6382 first and 2937, 12874, 13597 last.
  EXPECT_FLOAT_EQ(p.ringDotRadii.front(), 5.084765f);
  EXPECT_FLOAT_EQ(p.ringDotSpeeds.front(), 1.722534f);
  EXPECT_FLOAT_EQ(p.ringDotSizes.front(), 0.3186908f);
  EXPECT_FLOAT_EQ(p.ringDotRadii.back(), 4.55852f);
  EXPECT_FLOAT_EQ(p.ringDotSpeeds.back(), 2.571533f);
  EXPECT_FLOAT_EQ(p.ringDotSizes.back(), 0.3737369f);
  EXPECT_EQ(p.ringDotRadii.front(), 7248.0f / 32768.0f * 4.0f + 4.2f);
  EXPECT_EQ(p.ringDotSizes.back(), 13597.0f / 32768.0f * 0.25f + 0.27f);

  // The scenes carry on from draw 46: a generator seeded anew and drawn 45 times agrees.
  SceneParams replay;
  replay.seedRandom(kRandomSeed);
  for (int i = 0; i < 45; ++i) replay.nextRandom();
  EXPECT_EQ(replay.randomState, p.randomState);
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

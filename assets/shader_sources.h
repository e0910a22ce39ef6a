// The GLSL sources of the overlay program ("DEFAULT_OVERLAY_VERT", "DEFAULT_OVERLAY_FRAG") and the
// dot program ("DOTS_VERT", "DOTS_FRAG"), compiled by the build-up under those names, and the
// uniforms and attributes each program declares, which the build-up registers and the dot layers
// and the dot pass look up.
#pragma once

#include <cstdint>

#include "assets/shader_registry.h"

extern const char* const kOverlayVertexSource;    // 173 bytes
extern const char* const kOverlayFragmentSource;  // 158 bytes
extern const char* const kDotsVertexSource;       // 637 bytes
extern const char* const kDotsFragmentSource;     // 364 bytes

struct ProgramUniformSlot {
  const char* name;
  int32_t type;  // a UniformType bit
};

struct ProgramAttributeSlot {
  const char* name;
  int32_t size;  // floats per vertex
};

inline constexpr ProgramUniformSlot kOverlayUniforms[1] = {{"tex", kUniformInt}};

// In registration order.
inline constexpr ProgramUniformSlot kDotsUniforms[3] = {
    {"texMatrix", kUniformMat4}, {"tex", kUniformInt}, {"image", kUniformInt}};

// In registration order, which is also the order of a dot layer's vertex buffers (DotAttribute):
// the index of an entry is the location the build-up asks for.
inline constexpr ProgramAttributeSlot kDotsAttributes[6] = {{"aCoords", 4},    {"aPos", 4},
                                                            {"aTexCoords", 4}, {"aTexImgCoords", 4},
                                                            {"aColor", 4},     {"aScale", 1}};

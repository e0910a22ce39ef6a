// The GLSL sources of the overlay program ("DEFAULT_OVERLAY_VERT", "DEFAULT_OVERLAY_FRAG") and the
// dot program ("DOTS_VERT", "DOTS_FRAG"), compiled by the build-up under those names.
#pragma once

extern const char* const kOverlayVertexSource;    // 173 bytes
extern const char* const kOverlayFragmentSource;  // 158 bytes
extern const char* const kDotsVertexSource;       // 637 bytes
extern const char* const kDotsFragmentSource;     // 364 bytes

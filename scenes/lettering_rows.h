// The rows of the lettering textures that the text scenes and the credits roll cut into strips,
// as fractions of the texture's height from its top. The data generator sets every line of
// lettering inside the rows its strip cuts, so both read them from here.
#pragma once

struct TextureRows {
  float top;
  float bottom;
};

// "TITLE", one strip per title line. The first two overlap (0.455 to 0.492), so the lettering of
// neither may lie there.
inline constexpr TextureRows kTitleRows[3] = {{0.0f, 0.492f}, {0.455f, 0.717f}, {0.717f, 1.0f}};

// "CREDITS": the two credit lines, then the two bands of the credits roll (rows below 0.951 are
// never shown).
inline constexpr TextureRows kCreditRows[2] = {{0.0f, 0.15f}, {0.15f, 0.287f}};
inline constexpr TextureRows kRollRows[2] = {{0.287f, 0.678f}, {0.678f, 0.951f}};

// Greetings 0 to 7 in "GREETS1", 8 to 15 in "GREETS2".
inline constexpr int kGreetingsPerTexture = 8;
inline constexpr TextureRows kGreetingRows[16] = {
    {0.0f, 0.121f},  {0.121f, 0.235f}, {0.235f, 0.364f}, {0.364f, 0.49f},
    {0.49f, 0.62f},  {0.62f, 0.745f},  {0.745f, 0.874f}, {0.874f, 1.0f},
    {0.0f, 0.127f},  {0.127f, 0.247f}, {0.247f, 0.369f}, {0.369f, 0.492f},
    {0.492f, 0.61f}, {0.61f, 0.73f},   {0.73f, 0.852f},  {0.852f, 1.0f}};

// "MESSAGE" is drawn whole.
inline constexpr TextureRows kMessageRows = {0.0f, 1.0f};

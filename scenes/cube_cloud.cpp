// The cube cloud: small textured cubes grown by a random walk on a 0.12 lattice, each flying in
// from ten times its place, the whole cloud turning in front of the camera and flying apart at the
// end. Beats kick a wobble that sweeps the dot layers, and every third beat changes the dot pass.
#include <algorithm>
#include <cmath>

#include "app/scene_params.h"
#include "assets/show_data.h"
#include "scenes/scene_draw.h"
#include "scenes/scenes.h"

namespace {

constexpr size_t kMaxCubes = 343;  // a 7 x 7 x 7 lattice's worth
constexpr float kHalfSize = 0.057142857f;
// With reduced flashing the cloud turns at this share of its speed, and a new cube appears at its
// place instead of flying in from ten times as far: the cubes near the camera, turning or passing
// it, would sweep their halftoned squares across the screen several times a second.
constexpr float kCalmTurnShare = 0.35f;
// With reduced flashing the cubes fly apart this many times as fast in the last second: past the
// camera in a third of a second rather than sweeping by it until the scene ends.
constexpr float kCalmFlyOutPace = 3.0f;

// One lattice number 0..5 from the shared random sequence.
int32_t drawLatticeStep() {
  return static_cast<int32_t>(static_cast<float>(sceneParams.random.next()) * (1.0f / 32768.0f) *
                              6.0f);
}

void spawnCube() {
  SceneParams& p = sceneParams;
  p.cubeSpawnTimer = 0.0f;
  const Vec4 last = p.cubePositions.empty() ? Vec4{0.0f, 0.0f, 0.0f, 1.0f} : p.cubePositions.back();
  const int32_t nx = drawLatticeStep();
  const int32_t ny = drawLatticeStep();
  const int32_t nz = drawLatticeStep();
  p.cubePositions.push_back({last.x + static_cast<float>(nx - p.cubeLastStep[0]) * 0.12f,
                             last.y + static_cast<float>(ny - p.cubeLastStep[1]) * 0.12f,
                             last.z + static_cast<float>(nz - p.cubeLastStep[2]) * 0.12f, 1.0f});
  p.cubeScales.push_back(p.reduceFlashing ? 1.0f : 10.0f);
  p.cubeLastStep[0] = nx;
  p.cubeLastStep[1] = ny;
  p.cubeLastStep[2] = nz;
}

struct CubeCorner {
  float s, t;
  float sx, sy, sz;
};

// Six faces, four corners each: texture coordinate, then the sign of each half-size offset.
constexpr CubeCorner kCubeCorners[24] = {
    {0, 0, -1, 1, 1},   {1, 0, 1, 1, 1},   {1, 1, 1, -1, 1},   {0, 1, -1, -1, 1},   // +z
    {0, 0, -1, -1, -1}, {1, 0, 1, -1, -1}, {1, 1, 1, 1, -1},   {0, 1, -1, 1, -1},   // -z
    {0, 0, -1, 1, 1},   {1, 0, -1, 1, -1}, {1, 1, -1, -1, -1}, {0, 1, -1, -1, 1},   // -x
    {0, 0, 1, 1, 1},    {1, 0, 1, 1, -1},  {1, 1, 1, -1, -1},  {0, 1, 1, -1, 1},    // +x
    {1, 0, 1, 1, 1},    {0, 0, 1, 1, -1},  {0, 1, -1, 1, -1},  {1, 1, -1, 1, 1},    // +y
    {0, 1, -1, -1, -1}, {1, 1, -1, -1, 1}, {1, 0, 1, -1, 1},   {0, 0, 1, -1, -1}};  // -y

void drawCube(float cx, float cy, float cz) {
  glBegin(GL_QUADS);
  for (const CubeCorner& c : kCubeCorners) {
    glTexCoord2f(c.s, c.t);
    glVertex3f(cx + c.sx * kHalfSize, cy + c.sy * kHalfSize, cz + c.sz * kHalfSize);
  }
  glEnd();
}

// Until 36 s each cube shrinks towards its lattice place; in the last second all fly outward.
void drawCubes(uint32_t ms, float frameDelta) {
  SceneParams& p = sceneParams;
  const size_t count = std::min(p.cubePositions.size(), p.cubeScales.size());
  for (size_t i = 0; i < count; ++i) {
    float& scale = p.cubeScales[i];
    if (ms >= 19000 && ms <= 36000) {
      scale = std::max(scale - 5.0f * frameDelta, 1.0f);
    } else if (ms > 36000 && ms <= 37000) {
      const float pace = p.reduceFlashing ? frameDelta * kCalmFlyOutPace : frameDelta;
      scale = std::min(scale + 7.0f * pace, 100.0f);
    }
    const Vec4& position = p.cubePositions[i];
    drawCube(scale * position.x, scale * position.y, scale * position.z);
  }
}

// 24-37 s: the wobble swings the dot layers, beats in bands 0 and 1 kick it, every third beat
// frame steps the dot pass 0 -> 1 -> 2 -> 1 and picks a new dot scale.
void reactToBeats(uint32_t ms, float frameDelta) {
  SceneParams& p = sceneParams;
  p.cubeWobble += p.cubeKick * frameDelta;
  p.cubeKick = std::max(p.cubeKick - 0.5f * frameDelta, 0.0f);
  p.dotScale = std::max(p.dotScale - 0.5f * frameDelta, 1.0f);
  if (scenes::calmBeat(scenes::takeLowBeat(), ms)) {
    p.beatCounter += 1;
    p.cubeKick = 2.0f;
    if (p.beatCounter >= 3) {
      p.beatCounter = 0;
      p.dotMode = p.dotMode == 0 ? 1 : (p.dotMode == 1 ? 2 : 1);
      p.dotScale = scenes::calmScale(p.random.plusUpTo(1.0f, 0.75f));
    }
  }
  const float cosine = static_cast<float>(std::cos(static_cast<double>(p.cubeWobble)));
  p.dotPhase = scenes::calmPhase(static_cast<float>(cosine + 1.0), frameDelta);
}

}  // namespace

void renderCubeCloud(uint32_t ms, float frameDelta) {
  SceneParams& p = sceneParams;
  p.cubeSpawnTimer = std::min(p.cubeSpawnTimer + frameDelta * 4.0f, 1.0f);
  if (p.cubePositions.size() < kMaxCubes && p.cubeSpawnTimer > 0.99f) spawnCube();

  noteDepthWrites();
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LEQUAL);
  glDisable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  scenes::bindSceneTexture(kSquareTexture);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

  const float turn = p.reduceFlashing ? frameDelta * kCalmTurnShare : frameDelta;
  p.cubeAngle += turn + turn;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -0.65f);
  glRotatef(p.cubeAngle * 10.0f, 0.25f, 1.0f, 0.25f);
  drawCubes(ms, frameDelta);
  glPopMatrix();

  if (ms >= 24000 && ms <= 37000) reactToBeats(ms, frameDelta);
}

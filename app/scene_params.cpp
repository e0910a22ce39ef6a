// The global animation state shared by the timeline, the scenes and the dot field.
#include "app/scene_params.h"

SceneParams sceneParams;

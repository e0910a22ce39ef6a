// Four floats in one record: a position (x, y, z, w) or a colour (red, green, blue, alpha), as the
// scene tables, the dot layers' vertex arrays and the dot passes keep them.
#pragma once

struct Vec4 {
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;
};

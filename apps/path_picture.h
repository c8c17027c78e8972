#pragma once
// The picture of a run: the level seen from above and from the side (looking along +z), the
// ellipsoid's path over it coloured by speed, with a dark edge along the frames with a collision
// and a ring where the collision pushed sideways (a wall, a pillar, the crate, a step).

#include <string>
#include <vector>

#include "apps/argb_canvas.h"
#include "apps/level_geometry.h"

struct PathSample {
  D3DXVECTOR3 position;
  float speed;             // the "Speed" output
  bool collided;           // the frame's movement was corrected
  D3DXVECTOR3 correction;  // the "Vertical penalty force" output
};

ArgbCanvas DrawPathPicture(const std::vector<LevelObject>& objects, const std::vector<PathSample>& path);

// Draws and writes the picture as PNG; false when the file cannot be written.
bool WritePathPicture(const std::string& file, const std::vector<LevelObject>& objects,
                      const std::vector<PathSample>& path);

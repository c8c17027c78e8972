#pragma once
// Level geometry as plain triangles, and the built-in level the demo walks through: a floor
// inside perimeter walls, a ramp up to a platform, stairs up to a landing, pillars and a
// corner crease, plus a crate placed by its own rotation and translation.
//
// Every triangle faces the side from which its corners run counter-clockwise (the normal is
// (b - a) x (c - a)); the collision response ignores the back of a triangle.

#include <string>
#include <vector>

#include "platform/d3dx/d3dx8_math.h"

struct Triangle {
  D3DXVECTOR3 a, b, c;
};

// One "DX8 3D Object": its triangles in its own space and its world matrix.
struct LevelObject {
  std::string name;
  std::vector<Triangle> triangles;
  D3DXMATRIX world;  // identity unless placed
};

struct Waypoint {
  float x, z;
};

// What the demo builds and walks: the objects, where the ellipsoid starts and the points its
// route heads for, in order.
// radius, walk and fall are scaled to the level: per-frame lengths in its units.
struct LevelDescription {
  std::vector<LevelObject> objects;
  D3DXVECTOR3 start;
  std::vector<Waypoint> route;
  D3DXVECTOR3 radius{0.6f, 1.0f, 0.6f};  // the ellipsoid's radii
  float walk = 0.12f;                     // horizontal movement per frame
  float fall = 0.05f;                     // constant downward movement per frame
};

// Appends triangles for simple solids, each facing outwards (or towards a given point).
class MeshBuilder {
 public:
  explicit MeshBuilder(std::vector<Triangle>& out) : out_(out) {}

  // The quad a-b-c-d (corners in order around it), turned to face towards the point.
  void QuadFacing(D3DXVECTOR3 a, D3DXVECTOR3 b, D3DXVECTOR3 c, D3DXVECTOR3 d, D3DXVECTOR3 towards);
  // A box between the corners with its six faces turned outwards.
  void Box(D3DXVECTOR3 lo, D3DXVECTOR3 hi);
  // A vertical wall from (x0, z0) to (x1, z1), floor to height, facing the point.
  void Wall(float x0, float z0, float x1, float z1, float height, D3DXVECTOR3 towards);

 private:
  std::vector<Triangle>& out_;
};

// The face normal, (b - a) x (c - a), not normalised.
D3DXVECTOR3 FaceNormal(const Triangle& t);

// The built-in level, the crate and the route through both.
LevelDescription BuiltInLevel();

// A route over a level read from a file: start above the middle of its bounds and walk a loop
// through the four quarters, ending against the far corner.
LevelDescription RouteOverImportedLevel(std::vector<Triangle> triangles, const std::string& name);

// Bounds of triangles after the world matrix.
void WorldBounds(const LevelObject& object, D3DXVECTOR3* lo, D3DXVECTOR3* hi);

#pragma once
// A level read from a mesh file with Assimp: every mesh of the scene, with its node transforms
// applied, as one list of triangles.

#include <string>
#include <vector>

#include "apps/level_geometry.h"

// False with a one-line reason in error when the file is missing, unreadable, not a mesh
// Assimp knows, or holds no triangle.
bool ImportLevel(const std::string& file, std::vector<Triangle>* triangles, std::string* error);

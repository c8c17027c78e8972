#include "apps/level_import.h"

#include <assimp/cimport.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cmath>
#include <fstream>

namespace {

bool Finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

bool ImportLevel(const std::string& file, std::vector<Triangle>* triangles, std::string* error) {
  if (!std::ifstream(file, std::ios::binary)) {
    *error = "cannot read level file " + file;
    return false;
  }
  // Pre-transforming puts every mesh in the scene's space; degenerate and point or line
  // primitives are dropped so that only triangles remain.
  const unsigned flags = aiProcess_Triangulate | aiProcess_PreTransformVertices | aiProcess_FindDegenerates |
                         aiProcess_SortByPType | aiProcess_JoinIdenticalVertices;
  const aiScene* scene = aiImportFile(file.c_str(), flags);
  if (!scene) {
    *error = "cannot import level file " + file + ": " + aiGetErrorString();
    return false;
  }
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      if (face.mNumIndices != 3) continue;
      D3DXVECTOR3 corner[3];
      bool valid = true;
      for (int k = 0; k < 3; ++k) {
        const unsigned index = face.mIndices[k];
        if (index >= mesh->mNumVertices) valid = false;
        if (!valid) break;
        const aiVector3D& v = mesh->mVertices[index];
        corner[k] = {v.x, v.y, v.z};
        valid = Finite(corner[k]);
      }
      if (valid) triangles->push_back({corner[0], corner[1], corner[2]});
    }
  }
  aiReleaseImport(scene);
  if (triangles->empty()) {
    *error = "level file " + file + " holds no triangle";
    return false;
  }
  return true;
}

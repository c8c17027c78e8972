#include "collision_object/kv_dx8_collision_object.h"

#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "collision_object/collision_tree.h"
#include "collision_object/line_piece_aabb.h"
#include "collision_object/linked_object_view.h"
#include "collision_object/sqr_distance_point_poly.h"
#include "collision_object/tree_build.h"
#include "collision_object/tree_queries.h"
#include "collision_object/tri_box_overlap.h"
#include "frame/plugin_frame.h"
#include "frame/tagged_blocks.h"
#include "frame/type_guids.h"
#include "host/direct_graphics.h"
#include "host/hx_engine.h"
#include "platform/d3d8/d3d8.h"
#include "platform/win32/tick_count.h"

namespace {

void* AsItem(std::intptr_t number) { return reinterpret_cast<void*>(number); }

// The build and the descents reach the channel's settings and operations through its virtual
// table, as every internal call of the channel does.
struct ChannelOps {
  Kv_DX8_CollisionObject& c;

  int TreeDepth() { return c.GetTreeDepth(); }
  int TreePolyLeafCount() { return c.GetTreePolyLeafCount(); }
  PolygonInfoItem* Polygon(int number) {
    return static_cast<PolygonInfoItem*>(c.polygons.GetItem(number));
  }
  // Looking the records up twice through the host's list would cost more than it saves.
  void PrefetchPolygons(const int*, int) {}
  bool UsePolygonCulling() { return c.usePolygonCulling; }
  bool LinePieceAABB(D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax, D3DXVECTOR3* origin,
                     D3DXVECTOR3* dir, float length) {
    return c.LinePieceAABB(boxMin, boxMax, origin, dir, length);
  }
  float RayWithNode(D3DXVECTOR3* origin, D3DXVECTOR3* dir, float length, BSPTree* node,
                    float& hitDistance, D3DXVECTOR3* hitPoint, D3DXVECTOR3* hitNormal,
                    bool closest) {
    return c.GetRayCollisionWithNode(origin, dir, length, node, hitDistance, hitPoint,
                                     hitNormal, closest);
  }
  float Square(float x) { return c.Square(x); }
  float SqrDistancePointPoly(D3DXVECTOR3 point, PolygonInfoItem* polygon) {
    return c.SqrDistancePointPoly(point, polygon);
  }
  bool SphereWithNode(D3DXVECTOR3* center, float radius, float radiusSquared, BSPTree* node) {
    return c.GetIfSphereCollisionWithNode(center, radius, radiusSquared, node);
  }
  void TransformedMinMaxBox(D3DXMATRIX* matrix, D3DXVECTOR3& boxMin, D3DXVECTOR3& boxMax) {
    c.GetTransformedMinMaxBox(matrix, boxMin, boxMax);
  }
  bool SphereWithNodeWithMatrix(D3DXVECTOR3* center, float radius, float radiusSquared,
                                BSPTree* node, D3DXMATRIX* matrix) {
    return c.GetIfSphereCollisionWithNodeWithMatrix(center, radius, radiusSquared, node, matrix);
  }
  int PlaneSide() { return c.planeSide; }
  int PlaneWithNode(D3DXPLANE* plane, BSPTree* node) {
    return c.GetPlaneCollisionWithNode(plane, node);
  }
  int TriBoxOverlap(float* boxCenter, float* boxHalfSize, float (*triVerts)[3]) {
    return c.triBoxOverlap(boxCenter, boxHalfSize, triVerts);
  }
  // An entry never set reads as null, which differs from every query number from 1 on.
  bool Marked(int number) { return c.polygonMarks.GetItem(number) == AsItem(c.boxQueryNumber); }
  void Mark(int number) { c.polygonMarks.SetItem(AsItem(c.boxQueryNumber), number); }
  void Append(Hx_List* list, int number) { list->AddItem(AsItem(number)); }
  void BoxFromNode(Hx_List* list, D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax, BSPTree* node) {
    c.AddBoxCollisionPolygonsToListFromNode(list, boxMin, boxMax, node);
  }
};

float RowLength(const D3DXMATRIX& m, int row) {
  const D3DXVECTOR3 v(m.m[row][0], m.m[row][1], m.m[row][2]);
  return D3DXVec3Length(&v);
}

}  // namespace

CORVANE_PLUGIN_ENTRY(Kv_DX8_CollisionObject, "DX8 CollisionObject", type_guids::kCollisionObject,
                     type_guids::kCollisionObject, 0)

Kv_DX8_CollisionObject::Kv_DX8_CollisionObject() {
  SetChannelName("DX8 CollisionObject");
  SetChildCreationCount(0);
  SetChildCreateType(
      MakeChildCreation("DX8 3D Object", type_guids::k3DObject, 0, false, 1, "Objects"), 0);
  // The defaults are the member initialisers; then what the engine gives.
  if (engine) {
    directGraphics = static_cast<DirectGraphics*>(
        engine->GetInterfaceByGuid(MakeGuid(type_guids::kDirectGraphics), 0));
    if (!directGraphics) engine->errorMessage("Couldn't initialize Direct Graphics !");
  }
}

Kv_DX8_CollisionObject::~Kv_DX8_CollisionObject() { Release(); }

Kv_DX8_CollisionObject::Kv_DX8_CollisionObject(const Kv_DX8_CollisionObject& other)
    : Hx_Channel(other) {
  CopySettingsFrom(other);
}

Kv_DX8_CollisionObject& Kv_DX8_CollisionObject::operator=(const Kv_DX8_CollisionObject& other) {
  if (this == &other) return *this;
  Release();
  Hx_Channel::operator=(other);
  CopySettingsFrom(other);
  return *this;
}

void Kv_DX8_CollisionObject::CopySettingsFrom(const Kv_DX8_CollisionObject& other) {
  usePolygonCulling = other.usePolygonCulling;
  treeDepth = other.treeDepth;
  treePolyLeafCount = other.treePolyLeafCount;
  creationTime = other.creationTime;
  treeMemorySize = other.treeMemorySize;
  treeNodeCount = other.treeNodeCount;
  averageLeafPolyCount = other.averageLeafPolyCount;
  checkObjectUpdate = other.checkObjectUpdate;
  planeSide = other.planeSide;
  referencePoint = other.referencePoint;
  directGraphics = other.directGraphics;
}

Object3DView* Kv_DX8_CollisionObject::LinkedObject() const {
  return static_cast<Object3DView*>(GetChild(0));
}

void Kv_DX8_CollisionObject::CallChannel() {}

bool Kv_DX8_CollisionObject::SaveChannel(HxFileSaver& saver) {
  if (!Hx_Channel::SaveChannel(saver)) return false;
  const std::uint8_t check = checkObjectUpdate ? 1 : 0;
  return tagged_blocks::SaveValue(saver, "COTD", treeDepth) &&
         tagged_blocks::SaveValue(saver, "COLC", treePolyLeafCount) &&
         tagged_blocks::SaveValue(saver, "COOU", check);
}

bool Kv_DX8_CollisionObject::LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) {
  if (!Hx_Channel::LoadChannel(loader, group)) return false;
  // Straight into the members, without the setters' limits; the build bounds what it uses.
  tagged_blocks::LoadValue(loader, "COTD", treeDepth);
  tagged_blocks::LoadValue(loader, "COLC", treePolyLeafCount);
  tagged_blocks::LoadValue(loader, "COOU", checkObjectUpdate);
  return true;
}

void Kv_DX8_CollisionObject::Release() {
  delete root;
  root = nullptr;
  for (int i = 0; i < polygons.GetItemCount(); ++i)
    delete static_cast<PolygonInfoItem*>(polygons.GetItem(i));
  polygons.ReleaseItems();
  validTree = false;
}

bool Kv_DX8_CollisionObject::BuildBSPTree() {
  const DWORD start = GetTickCount();
  Release();
  D3DXVECTOR3 boxMin(0, 0, 0), boxMax(0, 0, 0);
  if (!BuildPolygonList(&boxMin, &boxMax)) return false;

  std::vector<PolygonInfoItem*> items(static_cast<std::size_t>(polygons.GetItemCount()));
  for (std::size_t i = 0; i < items.size(); ++i)
    items[i] = static_cast<PolygonInfoItem*>(polygons.GetItem(static_cast<int>(i)));
  ChannelOps ops{*this};
  TreeBuildStats stats;
  root = BuildTreeOver(ops, items.data(), static_cast<int>(items.size()), boxMin, boxMax, stats);
  if (!root) return false;

  validTree = true;
  treeMemorySize = stats.memorySize;
  treeNodeCount = stats.nodeCount;
  averageLeafPolyCount = stats.leafEntrySum / stats.nodeCount;
  creationTime = static_cast<std::int32_t>(GetTickCount() - start);
  return true;
}

bool Kv_DX8_CollisionObject::BuildPolygonList(D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax) {
  geometryStamp = 0;
  bool first = true;
  Object3DView* object = LinkedObject();
  if (!object) return false;
  for (int i = 0; i < object->GetSubObjectCount(); ++i) {
    auto* subObject = static_cast<SubObjectView*>(object->GetSubObject(i));
    if (!subObject || !subObject->GetIfEnabled()) continue;
    auto* mesh = static_cast<MeshView*>(subObject->GetChild(0));
    if (!mesh) continue;
    mesh->PrepareMesh();
    geometryStamp += mesh->GetTimeStamp();
    if (mesh->GetPrimitiveType() != kTriangleListPrimitive) continue;
    // Whole triangles only: a trailing one or two indices are not read.
    for (int k = 0; k + 2 < mesh->GetIndexCount(); k += 3) {
      auto* polygon = new (std::nothrow) PolygonInfoItem;
      if (!polygon) continue;
      polygon->firstIndex = static_cast<std::uint16_t>(k);
      const D3DXVECTOR3 v0 = mesh->GetVertexPosition(mesh->GetIndex(k));
      const D3DXVECTOR3 v1 = mesh->GetVertexPosition(mesh->GetIndex(k + 1));
      const D3DXVECTOR3 v2 = mesh->GetVertexPosition(mesh->GetIndex(k + 2));
      SetPolygonCorners(*polygon, v0, v1, v2);
      polygon->listIndex = polygons.AddItem(polygon);
      if (first) referencePoint = polygon->vertex2;
      WidenPolygonBox(*polygon, first, *boxMin, *boxMax);
      first = false;
    }
  }
  return true;
}

float Kv_DX8_CollisionObject::GetRayCollisionWithNode(D3DXVECTOR3* origin, D3DXVECTOR3* dir,
                                                      float length, BSPTree* node,
                                                      float& hitDistance, D3DXVECTOR3* hitPoint,
                                                      D3DXVECTOR3* hitNormal, bool closest) {
  ChannelOps ops{*this};
  return RayCollisionWithNode(ops, origin, dir, length, node, hitDistance, hitPoint, hitNormal,
                              closest);
}

float Kv_DX8_CollisionObject::GetRayCollision(D3DXVECTOR3 origin, D3DXVECTOR3 dir,
                                              D3DXVECTOR3* hitPoint, D3DXVECTOR3* hitNormal,
                                              bool closest) {
  const D3DXVECTOR3 end = origin + dir;
  float hitDistance = -1;
  Object3DView* object = LinkedObject();
  if (!object) return -1;
  D3DXMATRIX world = object->GetWorldMatrix();
  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, &world)) return -1;
  D3DXVECTOR3 localOrigin, localEnd;
  D3DXVec3TransformCoord(&localOrigin, &origin, &inverse);
  D3DXVec3TransformCoord(&localEnd, &end, &inverse);
  D3DXVECTOR3 localDir = localEnd - localOrigin;

  UpdateCollisionTree();
  if (!root) return -1;
  GetRayCollisionWithNode(&localOrigin, &localDir, D3DXVec3Length(&localDir), root, hitDistance,
                          hitPoint, hitNormal, closest);
  if (hitDistance == -1.0f) return -1;
  if (hitPoint) D3DXVec3TransformCoord(hitPoint, hitPoint, &world);
  if (hitNormal) D3DXVec3TransformNormal(hitNormal, hitNormal, &world);
  if (hitPoint && hitNormal) {
    const D3DXVECTOR3 span = *hitPoint - origin;
    hitDistance = D3DXVec3Length(&span);
  }
  return hitDistance;
}

int Kv_DX8_CollisionObject::GetPlaneCollisionWithNode(D3DXPLANE* plane, BSPTree* node) {
  ChannelOps ops{*this};
  return PlaneCollisionWithNode(ops, plane, node);
}

int Kv_DX8_CollisionObject::GetPlaneCollision(D3DXVECTOR3* p0, D3DXVECTOR3* p1,
                                              D3DXVECTOR3* p2) {
  UpdateCollisionTree();
  Object3DView* object = LinkedObject();
  if (!root || !p0 || !p1 || !p2 || !object) return 0;
  const D3DXMATRIX world = object->GetWorldMatrix();
  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, &world)) return 0;
  D3DXVec3TransformCoord(p0, p0, &inverse);
  D3DXVec3TransformCoord(p1, p1, &inverse);
  D3DXVec3TransformCoord(p2, p2, &inverse);
  D3DXPLANE plane;
  D3DXPlaneFromPoints(&plane, p0, p1, p2);
  const float s = D3DXPlaneDotCoord(&plane, &referencePoint);
  planeSide = s > 0 ? 1 : (s < 0 ? -1 : 0);
  return GetPlaneCollisionWithNode(&plane, root) != 0 ? planeSide : 0;
}

bool Kv_DX8_CollisionObject::LinePieceAABB(D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax,
                                           D3DXVECTOR3* origin, D3DXVECTOR3* dir,
                                           float length) {
  return ::LinePieceAABB(*boxMin, *boxMax, *origin, *dir, length);
}

bool Kv_DX8_CollisionObject::GetIfSphereCollision(D3DXVECTOR3 center, float radius) {
  UpdateCollisionTree();
  Object3DView* object = LinkedObject();
  if (!root || !object) return false;
  D3DXMATRIX world = object->GetWorldMatrix();
  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, &world)) return false;
  const double sx = RowLength(world, 0), sy = RowLength(world, 1), sz = RowLength(world, 2);
  if (std::fabs(sx - sy) < 0.0001 && std::fabs(sx - sz) < 0.0001) {
    D3DXVECTOR3 localCenter;
    D3DXVec3TransformCoord(&localCenter, &center, &inverse);
    const float localRadius = radius * RowLength(inverse, 0);
    return GetIfSphereCollisionWithNode(&localCenter, localRadius, localRadius * localRadius,
                                        root);
  }
  return GetIfSphereCollisionWithNodeWithMatrix(&center, radius, radius * radius, root, &world);
}

bool Kv_DX8_CollisionObject::GetIfSphereCollisionWithNode(D3DXVECTOR3* center, float radius,
                                                          float radiusSquared, BSPTree* node) {
  ChannelOps ops{*this};
  return SphereCollisionWithNode(ops, center, radius, radiusSquared, node);
}

void Kv_DX8_CollisionObject::GetTransformedMinMaxBox(D3DXMATRIX* matrix, D3DXVECTOR3& boxMin,
                                                     D3DXVECTOR3& boxMax) {
  TransformedMinMaxBox(*matrix, boxMin, boxMax);
}

bool Kv_DX8_CollisionObject::GetIfSphereCollisionWithNodeWithMatrix(D3DXVECTOR3* center,
                                                                    float radius,
                                                                    float radiusSquared,
                                                                    BSPTree* node,
                                                                    D3DXMATRIX* matrix) {
  ChannelOps ops{*this};
  return SphereCollisionWithNodeWithMatrix(ops, center, radius, radiusSquared, node, matrix);
}

float Kv_DX8_CollisionObject::SqrDistancePointPoly(D3DXVECTOR3 point, PolygonInfoItem* polygon) {
  return ::SqrDistancePointPoly(point, *polygon);
}

float Kv_DX8_CollisionObject::Square(float x) { return x * x; }

void Kv_DX8_CollisionObject::SetTreeDepth(int depth) {
  treeDepth = depth < 1 ? 1 : (depth > kMaxBuildDepth ? kMaxBuildDepth : depth);
}
int Kv_DX8_CollisionObject::GetTreeDepth() { return treeDepth; }
void Kv_DX8_CollisionObject::SetTreePolyLeafCount(int count) {
  treePolyLeafCount = count <= 0 ? 1 : count;
}
int Kv_DX8_CollisionObject::GetTreePolyLeafCount() { return treePolyLeafCount; }
int Kv_DX8_CollisionObject::GetCreationTime() { return creationTime; }
int Kv_DX8_CollisionObject::GetTreeMemorySize() { return treeMemorySize; }
int Kv_DX8_CollisionObject::GetTreeNodeCount() { return treeNodeCount; }
bool Kv_DX8_CollisionObject::GetIfValidTree() { return validTree; }
int Kv_DX8_CollisionObject::GetAvarageLeafPolyCount() { return averageLeafPolyCount; }

D3DXMATRIX Kv_DX8_CollisionObject::GetObjectWorld() {
  if (Object3DView* object = LinkedObject()) return object->GetWorldMatrix();
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  return identity;
}

void Kv_DX8_CollisionObject::AddBoxCollisionPolygonsToList(Hx_List* list, D3DXVECTOR3* boxMin,
                                                           D3DXVECTOR3* boxMax) {
  UpdateCollisionTree();
  if (!root || !list || !boxMin || !boxMax) return;
  // Wraps instead of overflowing, and skips 0, which is what a never-set mark reads as.
  boxQueryNumber = static_cast<std::int32_t>(static_cast<std::uint32_t>(boxQueryNumber) + 1u);
  if (boxQueryNumber == 0) boxQueryNumber = 1;
  AddBoxCollisionPolygonsToListFromNode(list, boxMin, boxMax, root);
}

void Kv_DX8_CollisionObject::AddBoxCollisionPolygonsToListFromNode(Hx_List* list,
                                                                   D3DXVECTOR3* boxMin,
                                                                   D3DXVECTOR3* boxMax,
                                                                   BSPTree* node) {
  ChannelOps ops{*this};
  BoxCollisionFromNode(ops, list, boxMin, boxMax, node);
}

PolygonInfoItem* Kv_DX8_CollisionObject::GetPolygonInfoItem(unsigned long index) {
  if (index >= static_cast<unsigned long>(polygons.GetItemCount())) return nullptr;
  return static_cast<PolygonInfoItem*>(polygons.GetItem(static_cast<int>(index)));
}

D3DXVECTOR3 Kv_DX8_CollisionObject::GetMinBoxFirstNode() {
  UpdateCollisionTree();
  return root ? root->boxMin : D3DXVECTOR3(0, 0, 0);
}

D3DXVECTOR3 Kv_DX8_CollisionObject::GetMaxBoxFirstNode() {
  UpdateCollisionTree();
  return root ? root->boxMax : D3DXVECTOR3(0, 0, 0);
}

int Kv_DX8_CollisionObject::triBoxOverlap(float boxCenter[3], float boxHalfSize[3],
                                          float triVerts[3][3]) {
  return TriBoxOverlapWith(boxCenter, boxHalfSize, triVerts,
                           [this](const float* normal, float d, const float* maxBox) {
                             return planeBoxOverlap(const_cast<float*>(normal), d,
                                                    const_cast<float*>(maxBox));
                           });
}

int Kv_DX8_CollisionObject::planeBoxOverlap(float normal[3], float d, float maxBox[3]) {
  return PlaneBoxOverlap(normal, d, maxBox);
}

void Kv_DX8_CollisionObject::SetUsePolygonCulling(bool cull) { usePolygonCulling = cull; }
bool Kv_DX8_CollisionObject::GetUsePolygonCulling() { return usePolygonCulling; }
bool Kv_DX8_CollisionObject::GetIfCheckObjectUpdate() { return checkObjectUpdate; }
void Kv_DX8_CollisionObject::SetIfCheckObjectUpdate(bool check) { checkObjectUpdate = check; }

void Kv_DX8_CollisionObject::UpdateCollisionTree() {
  if (checkObjectUpdate) {
    std::uint32_t stamp = 0;
    if (Object3DView* object = LinkedObject()) {
      for (int i = 0; i < object->GetSubObjectCount(); ++i) {
        auto* subObject = static_cast<SubObjectView*>(object->GetSubObject(i));
        if (!subObject || !subObject->GetIfEnabled()) continue;
        if (Hx_Channel* mesh = subObject->GetChild(0)) stamp += mesh->GetTimeStamp();
      }
    }
    if (stamp != geometryStamp) validTree = false;
  }
  if (!validTree) BuildBSPTree();
}

void Kv_DX8_CollisionObject::DrawLine(D3DXVECTOR3 from, D3DXVECTOR3 to) {
  Object3DView* object = LinkedObject();
  if (!object) return;
  const D3DXMATRIX world = object->GetWorldMatrix();
  // Position then one texture coordinate pair: D3DFVF_XYZ | D3DFVF_TEX1, 20 bytes a vertex.
  struct LineVertex {
    float x, y, z, u, v;
  };
  static_assert(sizeof(LineVertex) == 20);
  const LineVertex vertices[2] = {{from.x, from.y, from.z, 0, 0}, {to.x, to.y, to.z, 1, 0}};
  const std::uint16_t indices[2] = {0, 1};
  if (!directGraphics) return;
  IDirect3DDevice8* device = directGraphics->GetDevice();
  if (!device) return;
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetVertexShader(D3DFVF_XYZ | D3DFVF_TEX1);
  device->DrawIndexedPrimitiveUP(D3DPT_LINELIST, 0, 2, 1, indices, D3DFMT_INDEX16, vertices,
                                 sizeof(LineVertex));
}

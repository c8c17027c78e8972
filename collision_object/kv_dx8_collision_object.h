#pragma once
// The "DX8 CollisionObject" channel: linked to one "DX8 3D Object" in its "Objects" slot, it
// keeps that object's triangles in the object's own space, builds a box tree over them on
// demand and answers ray, sphere, plane and box queries.
//
// Other libraries (the fast collision response above all) call the virtual operations below
// by position without linking this one: their order after the host's twelve is an interface
// and must never change. Calls between the operations go through the virtual table too, so a
// derived class that overrides one sees every use of it.
//
// Queries that take no node bring the tree up to date first (building it on the first query,
// and again after the watched meshes changed); those that take a node work on the tree as it
// is. Without a linked object or triangles, every query answers that nothing collides.

#include <cstdint>

#include "collision_object/bsp_tree.h"
#include "collision_object/polygon_info_item.h"
#include "host/hx_channel.h"
#include "host/hx_list.h"
#include "host/plugin_entry.h"
#include "platform/d3dx/d3dx8_math.h"

class DirectGraphics;
class Object3DView;

class CORVANE_EXPORT Kv_DX8_CollisionObject : public Hx_Channel {
 public:
  Kv_DX8_CollisionObject();
  ~Kv_DX8_CollisionObject() override;
  // A copy takes the settings and links but starts without tree or polygons, which each
  // channel owns alone.
  Kv_DX8_CollisionObject(const Kv_DX8_CollisionObject& other);
  Kv_DX8_CollisionObject& operator=(const Kv_DX8_CollisionObject& other);

  // Does nothing: the tree is built by the queries.
  void CallChannel() override;
  bool SaveChannel(HxFileSaver& saver) override;
  bool LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) override;

  // ---- The 36 operations, in their fixed order. ----
  // 1. Frees the tree and the polygon records; the statistics stay.
  virtual void Release();
  // 2. Rebuilds the polygon list and the tree; false when there is no linked object or no
  //    triangle off the origin.
  virtual bool BuildBSPTree();
  // 3. Appends the linked object's triangle-list triangles to the polygon list and widens the
  //    box over their corners; false only when no object is linked.
  virtual bool BuildPolygonList(D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax);
  // 4. Segment query on a subtree in object space (length = |dir|); reports through
  //    hitDistance (set to -1 by the caller first), hitPoint and hitNormal. Its result is the
  //    hit distance only with closest false.
  virtual float GetRayCollisionWithNode(D3DXVECTOR3* origin, D3DXVECTOR3* dir, float length,
                                        BSPTree* node, float& hitDistance,
                                        D3DXVECTOR3* hitPoint, D3DXVECTOR3* hitNormal,
                                        bool closest);
  // 5. Distance from origin to the first (closest false) or nearest hit of the world-space
  //    segment origin..origin+dir, or -1. With both outputs given the distance is measured in
  //    world space, else in object space. -1 also for a world matrix without inverse.
  virtual float GetRayCollision(D3DXVECTOR3 origin, D3DXVECTOR3 dir, D3DXVECTOR3* hitPoint,
                                D3DXVECTOR3* hitNormal, bool closest);
  // 6. planeSide, or 0 when a triangle corner of the subtree lies strictly on the other side.
  virtual int GetPlaneCollisionWithNode(D3DXPLANE* plane, BSPTree* node);
  // 7. Side (1 or -1) of the reference point against the plane through the world-space points
  //    when the object lies wholly on that side, else 0. The points are overwritten with their
  //    object-space coordinates (left as they were for a world matrix without inverse).
  virtual int GetPlaneCollision(D3DXVECTOR3* p0, D3DXVECTOR3* p1, D3DXVECTOR3* p2);
  // 8. Whether the segment meets the box within length of origin; true from inside.
  virtual bool LinePieceAABB(D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax, D3DXVECTOR3* origin,
                             D3DXVECTOR3* dir, float length);
  // 9. Whether the world-space sphere comes strictly closer than radius to a triangle; false
  //    for a world matrix without inverse.
  virtual bool GetIfSphereCollision(D3DXVECTOR3 center, float radius);
  // 10. The same on a subtree, center in object space.
  virtual bool GetIfSphereCollisionWithNode(D3DXVECTOR3* center, float radius,
                                            float radiusSquared, BSPTree* node);
  // 11. Replaces the box by the box around its eight corners carried by matrix.
  virtual void GetTransformedMinMaxBox(D3DXMATRIX* matrix, D3DXVECTOR3& boxMin,
                                       D3DXVECTOR3& boxMax);
  // 12. The same as 10 with boxes and triangles carried by matrix into the space of center.
  virtual bool GetIfSphereCollisionWithNodeWithMatrix(D3DXVECTOR3* center, float radius,
                                                      float radiusSquared, BSPTree* node,
                                                      D3DXMATRIX* matrix);
  // 13. Squared distance from point to the triangle.
  virtual float SqrDistancePointPoly(D3DXVECTOR3 point, PolygonInfoItem* polygon);
  // 14.
  virtual float Square(float x);
  // 15-18. Depth 1 to 16 and leaf count at least 1 through the setters; a new value takes
  //    effect at the next build.
  virtual void SetTreeDepth(int depth);
  virtual int GetTreeDepth();
  virtual void SetTreePolyLeafCount(int count);
  virtual int GetTreePolyLeafCount();
  // 19-23. Statistics of the last successful build.
  virtual int GetCreationTime();
  virtual int GetTreeMemorySize();
  virtual int GetTreeNodeCount();
  virtual bool GetIfValidTree();
  virtual int GetAvarageLeafPolyCount();
  // 24. The linked object's world matrix, or the identity.
  virtual D3DXMATRIX GetObjectWorld();
  // 25. Appends the number of every triangle touching the object-space box, each once, as a
  //     pointer-sized value; items already in list stay.
  virtual void AddBoxCollisionPolygonsToList(Hx_List* list, D3DXVECTOR3* boxMin,
                                             D3DXVECTOR3* boxMax);
  // 26. The same on a subtree, for the current box query number.
  virtual void AddBoxCollisionPolygonsToListFromNode(Hx_List* list, D3DXVECTOR3* boxMin,
                                                     D3DXVECTOR3* boxMax, BSPTree* node);
  // 27. Polygon number index, or null; the tree is not brought up to date. The record stays
  //     owned by this channel and valid until the next rebuild.
  virtual PolygonInfoItem* GetPolygonInfoItem(unsigned long index);
  // 28-29. Corners of the root's box (the tree brought up to date first), or the zero vector.
  virtual D3DXVECTOR3 GetMinBoxFirstNode();
  virtual D3DXVECTOR3 GetMaxBoxFirstNode();
  // 30. 1 when the triangle and the box overlap (touching counts), else 0.
  virtual int triBoxOverlap(float boxCenter[3], float boxHalfSize[3], float triVerts[3][3]);
  // 31. 1 when the plane meets the origin-centred box, else 0.
  virtual int planeBoxOverlap(float normal[3], float d, float maxBox[3]);
  // 32-35.
  virtual void SetUsePolygonCulling(bool cull);
  virtual bool GetUsePolygonCulling();
  virtual bool GetIfCheckObjectUpdate();
  virtual void SetIfCheckObjectUpdate(bool check);
  // 36. With checkObjectUpdate set, a change of the meshes' time stamps invalidates the tree;
  //     an invalid tree is rebuilt.
  virtual void UpdateCollisionTree();

  // Draws the object-space segment with the object's world matrix, for debugging; does
  // nothing without a linked object or a device.
  void DrawLine(D3DXVECTOR3 from, D3DXVECTOR3 to);

  // Members, in the declaration order of the exported class.
  BSPTree* root = nullptr;
  Hx_List polygons;  // PolygonInfoItem*, owned
  bool validTree = false;
  bool usePolygonCulling = false;
  std::int32_t treeDepth = 8;
  std::int32_t treePolyLeafCount = 8;
  std::int32_t creationTime = 0;
  std::int32_t treeMemorySize = 0;
  std::int32_t treeNodeCount = 0;
  std::int32_t averageLeafPolyCount = 0;
  Hx_List polygonMarks;  // per polygon number, the last box query that listed it
  std::int32_t boxQueryNumber = 0;
  bool checkObjectUpdate = false;
  std::uint32_t geometryStamp = 0;
  std::int32_t planeSide = 0;
  D3DXVECTOR3 referencePoint;
  DirectGraphics* directGraphics = nullptr;  // not owned

 private:
  // The linked 3D object, or null.
  Object3DView* LinkedObject() const;
  void CopySettingsFrom(const Kv_DX8_CollisionObject& other);
};

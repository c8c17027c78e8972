// Calls the collision object the way another library does: through an independent
// declaration of its virtual operations in their fixed order, without linking its plug-in.
// Each operation is called at its position and must answer as that operation, so a
// reordering, insertion or removal in the channel class fails here.
#include <gtest/gtest.h>

#include <cstdint>

#include "collision_object/polygon_info_item.h"
#include "host/hx_channel.h"
#include "tests/collision_object/scene.h"

// A named namespace, not an anonymous one: for a class of internal linkage the optimiser knows
// every class derived from it (none here) and would turn the calls into calls of the pure
// declarations instead of going through the object's virtual table.
namespace interface_order {

struct BSPTreeOpaque;

class CollisionObjectInterface : public Hx_Channel {
 public:
  virtual void Release() = 0;                                                        // 1
  virtual bool BuildBSPTree() = 0;                                                   // 2
  virtual bool BuildPolygonList(D3DXVECTOR3* boxMin, D3DXVECTOR3* boxMax) = 0;       // 3
  virtual float GetRayCollisionWithNode(D3DXVECTOR3*, D3DXVECTOR3*, float, BSPTreeOpaque*,
                                        float&, D3DXVECTOR3*, D3DXVECTOR3*, bool) = 0;  // 4
  virtual float GetRayCollision(D3DXVECTOR3 origin, D3DXVECTOR3 dir, D3DXVECTOR3* hitPoint,
                                D3DXVECTOR3* hitNormal, bool closest) = 0;           // 5
  virtual int GetPlaneCollisionWithNode(D3DXPLANE*, BSPTreeOpaque*) = 0;             // 6
  virtual int GetPlaneCollision(D3DXVECTOR3*, D3DXVECTOR3*, D3DXVECTOR3*) = 0;       // 7
  virtual bool LinePieceAABB(D3DXVECTOR3*, D3DXVECTOR3*, D3DXVECTOR3*, D3DXVECTOR3*,
                             float) = 0;                                             // 8
  virtual bool GetIfSphereCollision(D3DXVECTOR3 center, float radius) = 0;           // 9
  virtual bool GetIfSphereCollisionWithNode(D3DXVECTOR3*, float, float, BSPTreeOpaque*) = 0;  // 10
  virtual void GetTransformedMinMaxBox(D3DXMATRIX*, D3DXVECTOR3&, D3DXVECTOR3&) = 0;  // 11
  virtual bool GetIfSphereCollisionWithNodeWithMatrix(D3DXVECTOR3*, float, float,
                                                      BSPTreeOpaque*, D3DXMATRIX*) = 0;  // 12
  virtual float SqrDistancePointPoly(D3DXVECTOR3, PolygonInfoItem*) = 0;             // 13
  virtual float Square(float) = 0;                                                   // 14
  virtual void SetTreeDepth(int) = 0;                                                // 15
  virtual int GetTreeDepth() = 0;                                                    // 16
  virtual void SetTreePolyLeafCount(int) = 0;                                        // 17
  virtual int GetTreePolyLeafCount() = 0;                                            // 18
  virtual int GetCreationTime() = 0;                                                 // 19
  virtual int GetTreeMemorySize() = 0;                                               // 20
  virtual int GetTreeNodeCount() = 0;                                                // 21
  virtual bool GetIfValidTree() = 0;                                                 // 22
  virtual int GetAvarageLeafPolyCount() = 0;                                         // 23
  virtual D3DXMATRIX GetObjectWorld() = 0;                                           // 24
  virtual void AddBoxCollisionPolygonsToList(Hx_List*, D3DXVECTOR3*, D3DXVECTOR3*) = 0;  // 25
  virtual void AddBoxCollisionPolygonsToListFromNode(Hx_List*, D3DXVECTOR3*, D3DXVECTOR3*,
                                                     BSPTreeOpaque*) = 0;            // 26
  virtual PolygonInfoItem* GetPolygonInfoItem(unsigned long index) = 0;              // 27
  virtual D3DXVECTOR3 GetMinBoxFirstNode() = 0;                                      // 28
  virtual D3DXVECTOR3 GetMaxBoxFirstNode() = 0;                                      // 29
  virtual int triBoxOverlap(float[3], float[3], float[3][3]) = 0;                    // 30
  virtual int planeBoxOverlap(float[3], float, float[3]) = 0;                        // 31
  virtual void SetUsePolygonCulling(bool) = 0;                                       // 32
  virtual bool GetUsePolygonCulling() = 0;                                           // 33
  virtual bool GetIfCheckObjectUpdate() = 0;                                         // 34
  virtual void SetIfCheckObjectUpdate(bool) = 0;                                     // 35
  virtual void UpdateCollisionTree() = 0;                                            // 36
};

using Scene = collision_scene::Scene<CollisionObjectInterface>;

TEST(CollisionObjectInterfaceOrder, EveryPositionAnswersAsItsOperation) {
  Scene s;
  ASSERT_NE(s.collision, nullptr);
  CollisionObjectInterface* c = s.collision;
  ASSERT_TRUE(s.Link());
  // Eight small triangles along x, all with z = 0, plus one tall one at the far end.
  std::vector<D3DXVECTOR3> corners;
  for (int i = 0; i < 8; ++i) {
    const float x = 2.0f * static_cast<float>(i);
    corners.insert(corners.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}});
  }
  collision_scene::AddTriangles(s.object, corners);
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, 0, 0, 100);
  s.object->SetWorldMatrix(world);

  // Settings (15-18, 32-35) before anything builds.
  c->SetTreeDepth(20);
  EXPECT_EQ(c->GetTreeDepth(), 16);
  c->SetTreeDepth(3);
  EXPECT_EQ(c->GetTreeDepth(), 3);
  c->SetTreePolyLeafCount(-1);
  EXPECT_EQ(c->GetTreePolyLeafCount(), 1);
  c->SetTreePolyLeafCount(4);
  EXPECT_EQ(c->GetTreePolyLeafCount(), 4);
  c->SetUsePolygonCulling(true);
  EXPECT_TRUE(c->GetUsePolygonCulling());
  c->SetUsePolygonCulling(false);
  EXPECT_FALSE(c->GetUsePolygonCulling());
  c->SetIfCheckObjectUpdate(true);
  EXPECT_TRUE(c->GetIfCheckObjectUpdate());
  c->SetIfCheckObjectUpdate(false);
  EXPECT_FALSE(c->GetIfCheckObjectUpdate());
  EXPECT_FALSE(c->GetIfValidTree());

  // 36 builds; statistics 19-23: eight polygons, leaf count 4: splits at x = 7.5, then 3.75
  // and 11.25, giving four leaves of two.
  c->UpdateCollisionTree();
  EXPECT_TRUE(c->GetIfValidTree());
  EXPECT_EQ(c->GetTreeNodeCount(), 7);
  EXPECT_EQ(c->GetTreeMemorySize(), 6 * 48 + 4 * (2 + 4));
  EXPECT_EQ(c->GetAvarageLeafPolyCount(), 8 / 7);
  EXPECT_GE(c->GetCreationTime(), 0);
  EXPECT_EQ(c->GetMinBoxFirstNode(), D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(c->GetMaxBoxFirstNode(), D3DXVECTOR3(15, 1, 0));
  D3DXMATRIX got = c->GetObjectWorld();
  EXPECT_EQ(got._43, 100.0f);

  // 27: records, and 13 with one of them.
  PolygonInfoItem* third = c->GetPolygonInfoItem(2);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(third->vertex0, D3DXVECTOR3(4, 0, 0));
  EXPECT_EQ(c->GetPolygonInfoItem(8), nullptr);
  EXPECT_FLOAT_EQ(c->SqrDistancePointPoly({4, 0, 3}, third), 9.0f);
  EXPECT_EQ(c->Square(1.5f), 2.25f);

  // 5, 7, 9 and 25 in world space; the object sits at z = 100.
  D3DXVECTOR3 point, normal;
  EXPECT_FLOAT_EQ(c->GetRayCollision({4.2f, 0.2f, 103}, {0, 0, -5}, &point, &normal, true), 3.0f);
  EXPECT_FLOAT_EQ(point.z, 100.0f);
  D3DXVECTOR3 p0(0, 0, 90), p1(1, 0, 90), p2(0, 1, 90);
  EXPECT_EQ(c->GetPlaneCollision(&p0, &p1, &p2), 1);
  EXPECT_EQ(p0, D3DXVECTOR3(0, 0, -10));
  EXPECT_TRUE(c->GetIfSphereCollision({4.2f, 0.2f, 100.5f}, 0.6f));
  EXPECT_FALSE(c->GetIfSphereCollision({4.2f, 0.2f, 100.5f}, 0.4f));
  Hx_List list;
  D3DXVECTOR3 lo(3.5f, -1, -1), hi(6.5f, 2, 1);
  c->AddBoxCollisionPolygonsToList(&list, &lo, &hi);
  ASSERT_EQ(list.GetItemCount(), 2);
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(list.GetItem(0)), 2);
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(list.GetItem(1)), 3);

  // 8, 11, 30 and 31 on their own.
  D3DXVECTOR3 bmin(0, 0, 0), bmax(1, 1, 1), origin(-1, 0.5f, 0.5f), dir(2, 0, 0);
  EXPECT_TRUE(c->LinePieceAABB(&bmin, &bmax, &origin, &dir, 2));
  EXPECT_FALSE(c->LinePieceAABB(&bmin, &bmax, &origin, &dir, 0.5f));
  D3DXMATRIX twice;
  D3DXMatrixScaling(&twice, 2, 3, 4);
  D3DXVECTOR3 tmin(-1, -1, -1), tmax(1, 1, 1);
  c->GetTransformedMinMaxBox(&twice, tmin, tmax);
  EXPECT_EQ(tmin, D3DXVECTOR3(-2, -3, -4));
  EXPECT_EQ(tmax, D3DXVECTOR3(2, 3, 4));
  float centre[3] = {0, 0, 1}, half[3] = {1, 1, 1};
  float tri[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  EXPECT_EQ(c->triBoxOverlap(centre, half, tri), 1);
  centre[2] = 1.5f;
  EXPECT_EQ(c->triBoxOverlap(centre, half, tri), 0);
  float n[3] = {0, 0, 1};
  EXPECT_EQ(c->planeBoxOverlap(n, -1.0f, half), 1);
  EXPECT_EQ(c->planeBoxOverlap(n, -1.5f, half), 0);

  // 1 and 2, then 3 appending to an emptied list.
  c->Release();
  EXPECT_FALSE(c->GetIfValidTree());
  EXPECT_EQ(c->GetPolygonInfoItem(0), nullptr);
  EXPECT_EQ(c->GetTreeNodeCount(), 7);
  D3DXVECTOR3 boxMin(0, 0, 0), boxMax(0, 0, 0);
  EXPECT_TRUE(c->BuildPolygonList(&boxMin, &boxMax));
  EXPECT_EQ(boxMax, D3DXVECTOR3(15, 1, 0));
  ASSERT_NE(c->GetPolygonInfoItem(7), nullptr);
  EXPECT_TRUE(c->BuildBSPTree());
  EXPECT_TRUE(c->GetIfValidTree());
}

// The node operations (4, 6, 10, 12, 26) on a null node: nothing below it collides.
TEST(CollisionObjectInterfaceOrder, NodeOperationsOnNoNode) {
  Scene s;
  CollisionObjectInterface* c = s.collision;
  D3DXVECTOR3 origin(0, 0, 0), dir(1, 0, 0), point, normal;
  float hit = -1;
  EXPECT_EQ(c->GetRayCollisionWithNode(&origin, &dir, 1, nullptr, hit, &point, &normal, false),
            -1.0f);
  EXPECT_EQ(hit, -1.0f);
  D3DXPLANE plane{0, 0, 1, 0};
  EXPECT_EQ(c->GetPlaneCollisionWithNode(&plane, nullptr), 0);  // planeSide is still 0
  EXPECT_FALSE(c->GetIfSphereCollisionWithNode(&origin, 1, 1, nullptr));
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  EXPECT_FALSE(c->GetIfSphereCollisionWithNodeWithMatrix(&origin, 1, 1, nullptr, &identity));
  Hx_List list;
  c->AddBoxCollisionPolygonsToListFromNode(&list, &origin, &dir, nullptr);
  EXPECT_EQ(list.GetItemCount(), 0);
}

}  // namespace interface_order

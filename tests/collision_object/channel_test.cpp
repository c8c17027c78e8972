// The collision object channel through the host runtime, linked to a real 3D object plug-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "collision_object/kv_dx8_collision_object.h"
#include "collision_object/ray_triangle.h"
#include "collision_object/sqr_distance_point_poly.h"
#include "collision_object/tree_validate.h"
#include "host/file_loader.h"
#include "host/file_saver.h"
#include "platform/d3d8/software_device.h"
#include "tests/collision_object/scene.h"

namespace {

using collision_scene::AddTriangles;
using collision_scene::Cube;
using Scene = collision_scene::Scene<Kv_DX8_CollisionObject>;

bool Contains(const std::vector<std::string>& messages, const std::string& text) {
  return std::find(messages.begin(), messages.end(), text) != messages.end();
}

std::vector<D3DXVECTOR3> RowOfTriangles(int count) {
  std::vector<D3DXVECTOR3> corners;
  for (int i = 0; i < count; ++i) {
    const float x = 2.0f * static_cast<float>(i);
    corners.insert(corners.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}});
  }
  return corners;
}

std::vector<int> BoxQuery(Kv_DX8_CollisionObject* c, D3DXVECTOR3 lo, D3DXVECTOR3 hi) {
  Hx_List list;
  c->AddBoxCollisionPolygonsToList(&list, &lo, &hi);
  std::vector<int> numbers;
  for (int i = 0; i < list.GetItemCount(); ++i)
    numbers.push_back(static_cast<int>(reinterpret_cast<std::intptr_t>(list.GetItem(i))));
  return numbers;
}

std::vector<PolygonInfoItem*> Polygons(Kv_DX8_CollisionObject* c) {
  std::vector<PolygonInfoItem*> items;
  for (int i = 0; i < c->polygons.GetItemCount(); ++i)
    items.push_back(static_cast<PolygonInfoItem*>(c->polygons.GetItem(i)));
  return items;
}

TEST(CollisionObjectChannel, ConstructsWithItsSlotAndDefaults) {
  Scene s;
  ASSERT_NE(s.collision, nullptr);
  Kv_DX8_CollisionObject* c = s.collision;
  EXPECT_STREQ(c->GetChannelName(), "DX8 CollisionObject");
  EXPECT_EQ(c->GetChildCreationCount(), 0);
  const ChildCreation* slot = c->GetChildCreateType(0);
  ASSERT_NE(slot, nullptr);
  EXPECT_STREQ(slot->childType.name, "DX8 3D Object");
  EXPECT_EQ(slot->childType.typeGuid, MakeGuid(type_guids::k3DObject));
  EXPECT_EQ(slot->childIndex, 0);
  EXPECT_EQ(slot->autoCreate, 0);
  EXPECT_EQ(slot->extra3, 1);
  EXPECT_STREQ(slot->label, "Objects");
  EXPECT_EQ(c->GetTreeDepth(), 8);
  EXPECT_EQ(c->GetTreePolyLeafCount(), 8);
  EXPECT_FALSE(c->GetUsePolygonCulling());
  EXPECT_FALSE(c->GetIfCheckObjectUpdate());
  EXPECT_FALSE(c->GetIfValidTree());
  EXPECT_NE(c->directGraphics, nullptr);
  EXPECT_TRUE(s.engine.errorMessage.Received().empty());
}

TEST(CollisionObjectChannel, WithoutALinkedObjectNothingCollides) {
  Scene s;
  Kv_DX8_CollisionObject* c = s.collision;
  D3DXMATRIX world = c->GetObjectWorld();
  EXPECT_TRUE(D3DXMatrixIsIdentity(&world));
  EXPECT_EQ(c->GetMinBoxFirstNode(), D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(c->GetMaxBoxFirstNode(), D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(c->GetRayCollision({0, 0, -5}, {0, 0, 10}, nullptr, nullptr, true), -1.0f);
  EXPECT_FALSE(c->GetIfSphereCollision({0, 0, 0}, 100));
  D3DXVECTOR3 p0(0, 0, 0), p1(1, 0, 0), p2(0, 1, 0);
  EXPECT_EQ(c->GetPlaneCollision(&p0, &p1, &p2), 0);
  EXPECT_TRUE(BoxQuery(c, {-9, -9, -9}, {9, 9, 9}).empty());
  EXPECT_FALSE(c->GetIfValidTree());
  EXPECT_EQ(c->GetPolygonInfoItem(0), nullptr);
}

TEST(CollisionObjectChannel, MissingDirectGraphicsIsReportedAndQueriesStillWork) {
  Scene s(false);
  ASSERT_NE(s.collision, nullptr);
  EXPECT_EQ(s.collision->directGraphics, nullptr);
  EXPECT_TRUE(Contains(s.engine.errorMessage.Received(), "Couldn't initialize Direct Graphics !"));
  ASSERT_TRUE(s.Link());
  AddTriangles(s.object, Cube(-1, 1));
  EXPECT_TRUE(s.collision->GetIfSphereCollision({0, 0, 1.5f}, 1));
  s.collision->DrawLine({0, 0, 0}, {1, 1, 1});  // nothing to draw with: no effect
}

TEST(CollisionObjectChannel, SettersKeepTheirRanges) {
  Scene s;
  Kv_DX8_CollisionObject* c = s.collision;
  const std::pair<int, int> depths[] = {{0, 1}, {-3, 1}, {1, 1}, {16, 16}, {17, 16}, {9, 9}};
  for (auto [given, stored] : depths) {
    c->SetTreeDepth(given);
    EXPECT_EQ(c->GetTreeDepth(), stored) << given;
  }
  const std::pair<int, int> counts[] = {{0, 1}, {-5, 1}, {1, 1}, {1000, 1000}};
  for (auto [given, stored] : counts) {
    c->SetTreePolyLeafCount(given);
    EXPECT_EQ(c->GetTreePolyLeafCount(), stored) << given;
  }
  c->SetUsePolygonCulling(true);
  c->SetIfCheckObjectUpdate(true);
  EXPECT_TRUE(c->GetUsePolygonCulling());
  EXPECT_TRUE(c->GetIfCheckObjectUpdate());
  EXPECT_EQ(c->Square(-3), 9.0f);
}

TEST(CollisionObjectChannel, SettingsSaveAndLoadAsTaggedBlocks) {
  Scene s;
  s.collision->SetTreeDepth(12);
  s.collision->SetTreePolyLeafCount(3);
  s.collision->SetIfCheckObjectUpdate(true);
  HxFileSaver saver;
  ASSERT_TRUE(s.collision->SaveChannel(saver));

  Scene fresh;
  HxFileLoader loader(saver.GetData());
  ASSERT_TRUE(fresh.collision->LoadChannel(loader, nullptr));
  EXPECT_EQ(fresh.collision->GetTreeDepth(), 12);
  EXPECT_EQ(fresh.collision->GetTreePolyLeafCount(), 3);
  EXPECT_TRUE(fresh.collision->GetIfCheckObjectUpdate());

  // Data without any of the channel's tags keep every default.
  HxFileSaver empty;
  ASSERT_TRUE(empty.SaveTag("XXXX") && empty.SaveBlockSize(1));
  const char byte = 1;
  ASSERT_TRUE(empty.SaveDataToFile(&byte, 1));
  Scene untouched;
  HxFileLoader emptyLoader(empty.GetData());
  ASSERT_TRUE(untouched.collision->LoadChannel(emptyLoader, nullptr));
  EXPECT_EQ(untouched.collision->GetTreeDepth(), 8);
  EXPECT_EQ(untouched.collision->GetTreePolyLeafCount(), 8);
  EXPECT_FALSE(untouched.collision->GetIfCheckObjectUpdate());
}

// Loaded values bypass the setters; a block of the wrong width is passed over.
TEST(CollisionObjectChannel, LoadTakesRawValuesAndSkipsMisSizedBlocks) {
  HxFileSaver saver;
  const std::int32_t depth = 40, leaf = -2;
  const std::int16_t shortBlock = 3;
  ASSERT_TRUE(saver.SaveTag("COTD") && saver.SaveBlockSize(4) && saver.SaveDataToFile(&depth, 4));
  ASSERT_TRUE(saver.SaveTag("COLC") && saver.SaveBlockSize(2) &&
              saver.SaveDataToFile(&shortBlock, 2));
  ASSERT_TRUE(saver.SaveTag("COOU") && saver.SaveBlockSize(4) && saver.SaveDataToFile(&leaf, 4));
  Scene s;
  HxFileLoader loader(saver.GetData());
  ASSERT_TRUE(s.collision->LoadChannel(loader, nullptr));
  EXPECT_EQ(s.collision->GetTreeDepth(), 40);
  EXPECT_EQ(s.collision->GetTreePolyLeafCount(), 8);
  EXPECT_FALSE(s.collision->GetIfCheckObjectUpdate());

  // The build bounds what a corrupt file carried: depth 16 at most, leaf count 1 at least.
  HxFileSaver leafSaver;
  ASSERT_TRUE(leafSaver.SaveTag("COLC") && leafSaver.SaveBlockSize(4) &&
              leafSaver.SaveDataToFile(&leaf, 4));
  HxFileLoader leafLoader(leafSaver.GetData());
  ASSERT_TRUE(s.collision->LoadChannel(leafLoader, nullptr));
  EXPECT_EQ(s.collision->GetTreePolyLeafCount(), -2);
  ASSERT_TRUE(s.Link());
  std::vector<D3DXVECTOR3> crossing;
  for (int i = 0; i < 3; ++i) crossing.insert(crossing.end(), {{-1, -1, -1}, {1, 1, 1}, {1, -1, 1}});
  AddTriangles(s.object, crossing);
  ASSERT_TRUE(s.collision->BuildBSPTree());
  EXPECT_EQ(ValidateTree(s.collision->root, Polygons(s.collision), 16), "");
  EXPECT_EQ(s.collision->GetTreeNodeCount(), (1 << 18) - 1);
  EXPECT_EQ(s.collision->GetTreeDepth(), 40);
}

TEST(CollisionObjectChannel, FailingBaseSaveOrLoadTouchesNothingOfItsOwn) {
  Scene s;
  HxFileSaver saver;
  saver.SetByteLimit(0);
  EXPECT_FALSE(s.collision->SaveChannel(saver));
  EXPECT_TRUE(saver.GetData().empty());

  const std::uint8_t garbage[] = {0xde, 0xad};
  HxFileLoader loader(garbage, sizeof garbage);
  s.collision->SetTreeDepth(5);
  EXPECT_FALSE(s.collision->LoadChannel(loader, nullptr));
  EXPECT_EQ(s.collision->GetTreeDepth(), 5);
}

TEST(CollisionObjectChannel, PolygonListReadsEnabledTriangleListsInOrder) {
  Scene s;
  ASSERT_TRUE(s.Link());
  Kv_DX8_CollisionObject* c = s.collision;
  Kv_DX8_Mesh* strip = AddTriangles(s.object, RowOfTriangles(1), kMeshTriangleStrip);
  Kv_DX8_Mesh* first = AddTriangles(s.object, RowOfTriangles(4));
  s.object->AddEmptySubObject();
  Kv_DX8_Mesh* disabled = AddTriangles(s.object, RowOfTriangles(1));
  static_cast<Kv_DX8_SubObject*>(s.object->GetSubObject(3))->SetEnabled(false);
  std::vector<D3DXVECTOR3> second{{0, 0, 5}, {1, 0, 5}, {0, 1, 5}, {3, 4, -2}, {3, 5, -2},
                                  {4, 4, -2}, {9, 9, 9}};  // a trailing index is not read
  Kv_DX8_Mesh* last = AddTriangles(s.object, second);

  D3DXVECTOR3 lo(0, 0, 0), hi(0, 0, 0);
  ASSERT_TRUE(c->BuildPolygonList(&lo, &hi));
  ASSERT_EQ(c->polygons.GetItemCount(), 6);
  const int firstIndex[] = {0, 3, 6, 9, 0, 3};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(c->GetPolygonInfoItem(i)->listIndex, i);
    EXPECT_EQ(c->GetPolygonInfoItem(i)->firstIndex, firstIndex[i]);
  }
  EXPECT_EQ(c->GetPolygonInfoItem(6), nullptr);
  EXPECT_EQ(c->GetPolygonInfoItem(4)->normal, D3DXVECTOR3(0, 0, 1));
  EXPECT_EQ(c->referencePoint, D3DXVECTOR3(0, 1, 0));
  EXPECT_EQ(lo, D3DXVECTOR3(0, 0, -2));
  EXPECT_EQ(hi, D3DXVECTOR3(7, 5, 5));
  EXPECT_EQ(c->geometryStamp, strip->GetTimeStamp() + first->GetTimeStamp() + last->GetTimeStamp());
  EXPECT_EQ(disabled->GetPrepareCount(), 0);
  EXPECT_EQ(strip->GetPrepareCount(), 1);
}

TEST(CollisionObjectChannel, OnlyAStripGivesAnEmptyListAndNoTree) {
  Scene s;
  ASSERT_TRUE(s.Link());
  Kv_DX8_Mesh* strip = AddTriangles(s.object, RowOfTriangles(2), kMeshTriangleStrip);
  D3DXVECTOR3 lo(7, 7, 7), hi(8, 8, 8);
  ASSERT_TRUE(s.collision->BuildPolygonList(&lo, &hi));
  EXPECT_EQ(s.collision->polygons.GetItemCount(), 0);
  EXPECT_EQ(lo, D3DXVECTOR3(7, 7, 7));
  EXPECT_EQ(hi, D3DXVECTOR3(8, 8, 8));
  EXPECT_EQ(s.collision->geometryStamp, strip->GetTimeStamp());
  EXPECT_FALSE(s.collision->BuildBSPTree());
  EXPECT_FALSE(s.collision->GetIfValidTree());
}

TEST(CollisionObjectChannel, StatisticsForSevenAndEightPolygons) {
  struct Case {
    int polygons, nodes, memory, average;
  } cases[] = {{7, 1, 11, 7}, {8, 3, 48 * 2 + 8 * 2, 8 / 3}};
  for (const Case& k : cases) {
    Scene s;
    ASSERT_TRUE(s.Link());
    AddTriangles(s.object, RowOfTriangles(k.polygons));
    ASSERT_TRUE(s.collision->BuildBSPTree());
    EXPECT_TRUE(s.collision->GetIfValidTree());
    EXPECT_EQ(s.collision->GetTreeNodeCount(), k.nodes) << k.polygons;
    EXPECT_EQ(s.collision->GetTreeMemorySize(), k.memory) << k.polygons;
    EXPECT_EQ(s.collision->GetAvarageLeafPolyCount(), k.average) << k.polygons;
    EXPECT_GE(s.collision->GetCreationTime(), 0);
    // Release frees the tree and the records but keeps the statistics.
    s.collision->Release();
    EXPECT_EQ(s.collision->root, nullptr);
    EXPECT_EQ(s.collision->polygons.GetItemCount(), 0);
    EXPECT_FALSE(s.collision->GetIfValidTree());
    EXPECT_EQ(s.collision->GetTreeNodeCount(), k.nodes);
  }
}

TEST(CollisionObjectChannel, QueriesBuildOnceAndRebuildOnlyWhenWatching) {
  Scene s;
  ASSERT_TRUE(s.Link());
  Kv_DX8_Mesh* mesh = AddTriangles(s.object, Cube(-1, 1));
  Kv_DX8_CollisionObject* c = s.collision;
  EXPECT_TRUE(c->GetIfSphereCollision({0, 0, 1.5f}, 1));
  EXPECT_TRUE(c->GetIfSphereCollision({0, 0, 1.5f}, 1));
  EXPECT_EQ(mesh->GetPrepareCount(), 1);

  // Move the cube's top face up to z = 3: unwatched, the old tree still answers.
  for (int v = 0; v < static_cast<int>(mesh->GetVertices().size()); ++v) {
    D3DXVECTOR3 p = mesh->GetVertices()[static_cast<std::size_t>(v)];
    if (p.z > 0) mesh->SetVertexPosition(v, {p.x, p.y, 3});
  }
  EXPECT_FALSE(c->GetIfSphereCollision({0, 0, 3.5f}, 1));
  EXPECT_EQ(mesh->GetPrepareCount(), 1);

  c->SetIfCheckObjectUpdate(true);
  EXPECT_TRUE(c->GetIfSphereCollision({0, 0, 3.5f}, 1));
  EXPECT_EQ(mesh->GetPrepareCount(), 2);
  EXPECT_EQ(c->GetMaxBoxFirstNode(), D3DXVECTOR3(1, 1, 3));
  EXPECT_EQ(mesh->GetPrepareCount(), 2);
}

// A triangle in z = 0 and segments along z, in a world that may scale it.
class RayScene : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s.Link());
    AddTriangles(s.object, {{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}});  // normal +z
  }
  Scene s;
};

TEST_F(RayScene, SegmentsMustReachTheTriangle) {
  Kv_DX8_CollisionObject* c = s.collision;
  EXPECT_EQ(c->GetRayCollision({0, 0, 2}, {0, 0, -1.5f}, nullptr, nullptr, false), -1.0f);
  D3DXVECTOR3 point(7, 7, 7), normal(7, 7, 7);
  EXPECT_FLOAT_EQ(c->GetRayCollision({0, 0, 2}, {0, 0, -3}, &point, &normal, false), 2.0f);
  EXPECT_EQ(point, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(normal, D3DXVECTOR3(0, 0, 1));
  point = D3DXVECTOR3(7, 7, 7);
  EXPECT_EQ(c->GetRayCollision({0, 0, 2}, {0, 0, 3}, &point, nullptr, true), -1.0f);
  EXPECT_EQ(point, D3DXVECTOR3(7, 7, 7));  // untouched without a hit
}

TEST_F(RayScene, CullingSkipsSegmentsAlongTheNormal) {
  Kv_DX8_CollisionObject* c = s.collision;
  c->SetUsePolygonCulling(true);
  EXPECT_EQ(c->GetRayCollision({0, 0, -1}, {0, 0, 2}, nullptr, nullptr, true), -1.0f);
  EXPECT_FLOAT_EQ(c->GetRayCollision({0, 0, 1}, {0, 0, -2}, nullptr, nullptr, true), 1.0f);
  c->SetUsePolygonCulling(false);
  EXPECT_FLOAT_EQ(c->GetRayCollision({0, 0, -1}, {0, 0, 2}, nullptr, nullptr, true), 1.0f);
}

TEST_F(RayScene, ScaledWorldMeasuresInWorldUnitsOnlyWithBothOutputs) {
  D3DXMATRIX world, move;
  D3DXMatrixScaling(&world, 2, 2, 2);
  D3DXMatrixTranslation(&move, 0, 0, 10);
  D3DXMatrixMultiply(&world, &world, &move);
  s.object->SetWorldMatrix(world);
  Kv_DX8_CollisionObject* c = s.collision;
  D3DXVECTOR3 point, normal;
  EXPECT_FLOAT_EQ(c->GetRayCollision({-1, -1, 14}, {0, 0, -8}, &point, &normal, true), 4.0f);
  EXPECT_EQ(point, D3DXVECTOR3(-1, -1, 10));
  EXPECT_EQ(normal, D3DXVECTOR3(0, 0, 2));  // carried by the world, not normalised again
  EXPECT_FLOAT_EQ(c->GetRayCollision({-1, -1, 14}, {0, 0, -8}, &point, nullptr, true), 2.0f);
}

TEST_F(RayScene, WorldWithoutInverseHitsNothing) {
  D3DXMATRIX flat;
  D3DXMatrixScaling(&flat, 1, 1, 0);
  s.object->SetWorldMatrix(flat);
  Kv_DX8_CollisionObject* c = s.collision;
  EXPECT_EQ(c->GetRayCollision({0, 0, 2}, {0, 0, -3}, nullptr, nullptr, true), -1.0f);
  EXPECT_FALSE(c->GetIfSphereCollision({0, 0, 0}, 5));
  D3DXVECTOR3 p0(0, 0, 1), p1(1, 0, 1), p2(0, 1, 1);
  EXPECT_EQ(c->GetPlaneCollision(&p0, &p1, &p2), 0);
  EXPECT_EQ(p0, D3DXVECTOR3(0, 0, 1));
}

TEST(CollisionObjectSphere, StrictDistanceAndScaledWorlds) {
  struct Case {
    D3DXVECTOR3 scale;
    float distance;  // world distance from the top face's centre, along z
    bool expected;
  } cases[] = {
      {{1, 1, 1}, 1.0f, false},  // exactly radius away: not reported
      {{1, 1, 1}, 0.999f, true},
      {{2, 2, 2}, 0.9f, true},   // uniform path
      {{2, 2, 2}, 1.1f, false},
      {{1, 1, 2}, 0.9f, true},   // matrix path, same world distances
      {{1, 1, 2}, 1.1f, false},
  };
  for (const Case& k : cases) {
    Scene s;
    ASSERT_TRUE(s.Link());
    AddTriangles(s.object, Cube(-1, 1));
    D3DXMATRIX world;
    D3DXMatrixScaling(&world, k.scale.x, k.scale.y, k.scale.z);
    s.object->SetWorldMatrix(world);
    const D3DXVECTOR3 centre(0, 0, k.scale.z + k.distance);
    EXPECT_EQ(s.collision->GetIfSphereCollision(centre, 1), k.expected)
        << k.scale.x << "," << k.scale.y << "," << k.scale.z << " at " << k.distance;
  }
}

TEST(CollisionObjectPlane, ThroughOrBesideACube) {
  Scene s;
  ASSERT_TRUE(s.Link());
  AddTriangles(s.object, Cube(-1, 1));
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, 10, 0, 0);
  s.object->SetWorldMatrix(world);
  Kv_DX8_CollisionObject* c = s.collision;

  D3DXVECTOR3 p0(10, 0, 0), p1(11, 0, 0), p2(10, 1, 0);  // z = 0 through the middle
  EXPECT_EQ(c->GetPlaneCollision(&p0, &p1, &p2), 0);
  EXPECT_EQ(p0, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(p1, D3DXVECTOR3(1, 0, 0));

  // z = 5 beside the cube; the reference corner (-1, 1, -1) lies below, on the normal's back.
  D3DXVECTOR3 q0(10, 0, 5), q1(11, 0, 5), q2(10, 1, 5);
  EXPECT_EQ(c->GetPlaneCollision(&q0, &q1, &q2), -1);
  EXPECT_EQ(c->planeSide, -1);
  D3DXVECTOR3 r0(10, 0, 5), r1(10, 1, 5), r2(11, 0, 5);  // the other winding
  EXPECT_EQ(c->GetPlaneCollision(&r0, &r1, &r2), 1);
  // A plane touching the top face: corners on the plane do not count as the other side.
  D3DXVECTOR3 t0(10, 0, 1), t1(11, 0, 1), t2(10, 1, 1);
  EXPECT_EQ(c->GetPlaneCollision(&t0, &t1, &t2), -1);
}

TEST(CollisionObjectBox, EachTriangleOncePerQueryAndItemsStay) {
  Scene s;
  ASSERT_TRUE(s.Link());
  std::vector<D3DXVECTOR3> corners{{-10, -10, 0}, {10, -10, 0}, {-10, 10, 0}};
  for (float x : {-8.0f, 6.0f})
    for (float y : {-8.0f, 6.0f}) corners.insert(corners.end(), {{x, y, 0}, {x + 1, y, 0}, {x, y + 1, 0}});
  AddTriangles(s.object, corners);
  Kv_DX8_CollisionObject* c = s.collision;
  c->SetTreePolyLeafCount(1);
  for (int round = 1; round <= 2; ++round) {
    Hx_List list;
    list.AddItem(reinterpret_cast<void*>(std::intptr_t{77}));
    D3DXVECTOR3 lo(-9, -9, -1), hi(9, 9, 1);
    c->AddBoxCollisionPolygonsToList(&list, &lo, &hi);
    std::vector<std::intptr_t> got;
    for (int i = 0; i < list.GetItemCount(); ++i)
      got.push_back(reinterpret_cast<std::intptr_t>(list.GetItem(i)));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], 77);
    std::sort(got.begin() + 1, got.end());
    EXPECT_EQ(std::vector<std::intptr_t>(got.begin() + 1, got.end()),
              (std::vector<std::intptr_t>{0, 1, 2, 3, 4}))
        << "round " << round;
    EXPECT_EQ(c->boxQueryNumber, round);
  }
  EXPECT_GT(c->GetTreeNodeCount(), 3);
  // A box touching only the big triangle's edge y = -10 lists it.
  EXPECT_EQ(BoxQuery(c, {0, -11, -1}, {1, -10, 1}), std::vector<int>{0});
}

}  // namespace

namespace {

TEST(CollisionObjectDrawLine, DrawsOneLineWithTheWorldMatrix) {
  SoftwareDevice* device = CreateSoftwareDevice();
  {
    Scene s;
    s.engine.GetDirectGraphics().SetDevice(device);
    s.collision->DrawLine({0, 0, 0}, {1, 2, 3});  // not linked: nothing
    EXPECT_TRUE(device->Calls().empty());
    ASSERT_TRUE(s.Link());
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 5, 6, 7);
    s.object->SetWorldMatrix(world);
    s.collision->DrawLine({0, 0, 0}, {1, 2, 3});
    const std::vector<DeviceCall> calls = device->Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, DeviceCallKind::SetTransform);
    EXPECT_EQ(calls[0].transformState, D3DTS_WORLD);
    EXPECT_EQ(std::memcmp(&calls[0].matrix, &world, sizeof world), 0);
    EXPECT_EQ(calls[1].kind, DeviceCallKind::SetVertexShader);
    EXPECT_EQ(calls[1].vertexShader, D3DFVF_XYZ | D3DFVF_TEX1);
    const DeviceCall& draw = calls[2];
    EXPECT_EQ(draw.kind, DeviceCallKind::DrawIndexedPrimitiveUP);
    EXPECT_EQ(draw.primitiveType, D3DPT_LINELIST);
    EXPECT_EQ(draw.minVertexIndex, 0u);
    EXPECT_EQ(draw.numVertices, 2u);
    EXPECT_EQ(draw.primitiveCount, 1u);
    EXPECT_EQ(draw.indexFormat, D3DFMT_INDEX16);
    EXPECT_EQ(draw.IndexValues(), (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(draw.vertexStride, 20u);
    const float expected[10] = {0, 0, 0, 0, 0, 1, 2, 3, 1, 0};
    ASSERT_EQ(draw.vertices.size(), sizeof expected);
    EXPECT_EQ(std::memcmp(draw.vertices.data(), expected, sizeof expected), 0);
    s.engine.GetDirectGraphics().SetDevice(nullptr);
  }
  device->Release();
}

}  // namespace

namespace {

// The channel's descents (through its virtual table) against scans of every triangle, on a
// seeded soup in a rotated, non-uniformly scaled and moved world.
TEST(CollisionObjectChannel, RandomQueriesMatchScansInAScaledRotatedWorld) {
  Scene s;
  ASSERT_TRUE(s.Link());
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> centre(-10, 10), corner(-1.5f, 1.5f), unit(-1, 1);
  std::vector<D3DXVECTOR3> corners;
  for (int i = 0; i < 300; ++i) {
    const D3DXVECTOR3 c(centre(rng), centre(rng), centre(rng));
    for (int k = 0; k < 3; ++k) corners.push_back(c + D3DXVECTOR3(corner(rng), corner(rng), corner(rng)));
  }
  AddTriangles(s.object, corners);
  D3DXMATRIX scale, rotate, move, world;
  D3DXMatrixScaling(&scale, 1.5f, 0.5f, 2.0f);
  D3DXMatrixRotationY(&rotate, 0.7f);
  D3DXMatrixTranslation(&move, 3, -2, 5);
  D3DXMatrixMultiply(&world, &scale, &rotate);
  D3DXMatrixMultiply(&world, &world, &move);
  s.object->SetWorldMatrix(world);
  Kv_DX8_CollisionObject* c = s.collision;
  c->SetTreePolyLeafCount(3);
  c->UpdateCollisionTree();
  ASSERT_EQ(ValidateTree(c->root, Polygons(c), 8), "");

  std::vector<PolygonInfoItem> worldTriangles;
  for (const PolygonInfoItem* p : Polygons(c)) {
    D3DXVECTOR3 v[3];
    D3DXVec3TransformCoord(&v[0], &p->vertex0, &world);
    D3DXVec3TransformCoord(&v[1], &p->vertex1, &world);
    D3DXVec3TransformCoord(&v[2], &p->vertex2, &world);
    PolygonInfoItem t;
    SetPolygonCorners(t, v[0], v[1], v[2]);
    worldTriangles.push_back(t);
  }
  auto worldPoint = [&] {
    D3DXVECTOR3 local(centre(rng) * 1.2f, centre(rng) * 1.2f, centre(rng) * 1.2f), out;
    D3DXVec3TransformCoord(&out, &local, &world);
    return out;
  };

  int sphereHits = 0, rayHits = 0;
  for (int q = 0; q < 200; ++q) {
    // Sphere: the matrix path against exact world-space distances (away from the boundary).
    const D3DXVECTOR3 centreW = worldPoint();
    const float radius = 0.3f + 2.0f * (unit(rng) + 1);
    float nearest = 1e30f;
    for (const PolygonInfoItem& t : worldTriangles)
      nearest = std::min(nearest, SqrDistancePointTriangle(centreW, t.vertex0, t.edge0, t.edge1));
    if (std::fabs(std::sqrt(nearest) - radius) > 1e-3f) {
      EXPECT_EQ(c->GetIfSphereCollision(centreW, radius), nearest < radius * radius) << q;
      sphereHits += nearest < radius * radius;
    }

    // Nearest segment hit, in world units with both outputs given.
    const D3DXVECTOR3 from = worldPoint(), to = worldPoint();
    float best = -1;
    for (const PolygonInfoItem& t : worldTriangles) {
      D3DXVECTOR3 point;
      float d;
      const D3DXVECTOR3 dir = to - from;
      if (SegmentTriangleHit(t, from, dir, D3DXVec3Length(&dir), false, point, d) &&
          (best < 0 || d < best))
        best = d;
    }
    D3DXVECTOR3 point, normal;
    const float got = c->GetRayCollision(from, to - from, &point, &normal, true);
    ASSERT_EQ(got < 0, best < 0) << q;
    if (best >= 0) {
      EXPECT_NEAR(got, best, 1e-3f * (1 + best)) << q;
    }
    rayHits += best >= 0;

    // Box query in object space: exactly the triangles passing the overlap test, each once.
    D3DXVECTOR3 lo(centre(rng), centre(rng), centre(rng));
    D3DXVECTOR3 hi = lo + D3DXVECTOR3(2 + unit(rng), 2 + unit(rng), 2 + unit(rng));
    std::vector<int> gotBox = BoxQuery(c, lo, hi);
    std::sort(gotBox.begin(), gotBox.end());
    std::vector<int> expectedBox;
    const D3DXVECTOR3 h = (hi - lo) * 0.5f, m = lo + h;
    float boxCentre[3] = {m.x, m.y, m.z}, half[3] = {h.x, h.y, h.z};
    for (const PolygonInfoItem* p : Polygons(c)) {
      float v[3][3] = {{p->vertex0.x, p->vertex0.y, p->vertex0.z},
                       {p->vertex1.x, p->vertex1.y, p->vertex1.z},
                       {p->vertex2.x, p->vertex2.y, p->vertex2.z}};
      if (c->triBoxOverlap(boxCentre, half, v)) expectedBox.push_back(p->listIndex);
    }
    EXPECT_EQ(gotBox, expectedBox) << q;
  }
  EXPECT_GT(sphereHits, 30);
  EXPECT_LT(sphereHits, 170);
  EXPECT_GT(rayHits, 30);
  EXPECT_LT(rayHits, 170);
}

}  // namespace

namespace {

// A whole application saved to a file and loaded into a fresh host keeps the settings, the link
// and so the answers.
TEST(CollisionObjectChannel, ApplicationRoundTripThroughAFile) {
  const std::string path = testing::TempDir() + "collision_object_app.cvapp";
  {
    Scene s;
    ASSERT_TRUE(s.Link());
    AddTriangles(s.object, Cube(-1, 1));
    s.collision->SetTreeDepth(5);
    s.collision->SetTreePolyLeafCount(2);
    s.collision->SetIfCheckObjectUpdate(true);
    ASSERT_TRUE(s.engine.SaveApplication(path.c_str()));
  }
  HxEngine engine;
  ASSERT_TRUE(engine.LoadApplication(path.c_str()));
  Kv_DX8_CollisionObject* loaded = nullptr;
  for (Hx_Channel* channel : engine.GetChannels())
    if (std::string(channel->GetChannelName()) == "DX8 CollisionObject")
      loaded = static_cast<Kv_DX8_CollisionObject*>(channel);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetTreeDepth(), 5);
  EXPECT_EQ(loaded->GetTreePolyLeafCount(), 2);
  EXPECT_TRUE(loaded->GetIfCheckObjectUpdate());
  ASSERT_NE(loaded->GetChild(0), nullptr);
  EXPECT_TRUE(loaded->GetIfSphereCollision({0, 0, 1.5f}, 1));
  EXPECT_EQ(loaded->GetMaxBoxFirstNode(), D3DXVECTOR3(1, 1, 1));
}

}  // namespace

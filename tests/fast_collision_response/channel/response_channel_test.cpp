#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "response_scene.h"

namespace {

void ExpectVector(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-4f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

}  // namespace

TEST(FastCollisionResponse, DeclaresItsSlotsAndChildren) {
  ResponseScene scene;
  ASSERT_NE(scene.response, nullptr);
  EXPECT_STREQ(scene.response->GetChannelName(), "DX8 FastCollisionResponse");
  EXPECT_EQ(scene.response->GetChildCreationCount(), 6);
  struct Slot {
    const char* label;
    const char* type;
    int childIndex, autoCreate, extra3;
  } slots[] = {{"Movement Vector", "Value Vector", 0, 1, 1},   {"Collision Spheroid Radius", "Value Vector", 1, 1, 1},
               {"Movement Position", "Value Vector", 2, 1, 0}, {"Friction Coefficient", "Value", 3, 1, 0},
               {"Speed", "Value", 4, 1, 0},                    {"Vertical penalty force", "Value Vector", 5, 1, 0},
               {"Collision objects", "DX8 CollisionObject", -1, 0, 0}};
  for (int position = 0; position < 7; ++position) {
    const ChildCreation* slot = scene.response->GetChildCreateType(position);
    ASSERT_NE(slot, nullptr);
    EXPECT_STREQ(slot->label, slots[position].label);
    EXPECT_STREQ(slot->childType.name, slots[position].type);
    EXPECT_EQ(slot->childIndex, slots[position].childIndex);
    EXPECT_EQ(slot->autoCreate, slots[position].autoCreate);
    EXPECT_EQ(slot->extra3, slots[position].extra3);
    if (position < 6) {
      EXPECT_NE(scene.response->GetChild(position), nullptr);
    }
  }
  EXPECT_EQ(scene.radius->GetVector(), D3DXVECTOR3(1, 1, 1));  // OneTimeInitialize
  EXPECT_NE(scene.response->companionObject, nullptr);
}

TEST(FastCollisionResponse, FirstEvaluationTakesThePositionAndWritesNothing) {
  ResponseScene scene;
  scene.position->SetVector({1, 2, 3});
  scene.movement->SetVector({5, 0, 0});
  scene.speed->SetValue(-7);
  EXPECT_EQ(scene.Step(), D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(scene.response->velocity, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(scene.position->GetVector(), D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(scene.speed->GetValue(), -7.0f);
}

TEST(FastCollisionResponse, APositionChangedFromOutsideIsATeleport) {
  ResponseScene scene;
  scene.movement->SetVector({1, 0, 0});
  scene.Step();
  EXPECT_EQ(scene.Step(), D3DXVECTOR3(1, 0, 0));
  scene.position->SetVector({10, 5, 0});
  EXPECT_EQ(scene.Step(), D3DXVECTOR3(10, 5, 0));
  EXPECT_EQ(scene.response->velocity, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(scene.Step(), D3DXVECTOR3(11, 5, 0));  // and moves again
}

TEST(FastCollisionResponse, FrictionCarriesTheClampedShareOfTheLastVelocity) {
  struct Case {
    float friction;
    float thirdStep;
  } cases[] = {{0.0f, 1.0f}, {1.0f, 2.0f}, {-0.5f, 1.0f}, {7.0f, 2.0f}, {NAN, 1.0f}, {0.5f, 1.5f}};
  for (const Case& c : cases) {
    ResponseScene scene;
    scene.friction->SetValue(c.friction);
    scene.movement->SetVector({1, 0, 0});
    scene.Step();                                        // takes the position
    EXPECT_EQ(scene.Step().x, 1.0f) << c.friction;       // velocity was 0
    EXPECT_EQ(scene.Step().x, 1.0f + c.thirdStep) << c.friction;
  }
}

TEST(FastCollisionResponse, RadiusComponentsOfZeroBecomeOne) {
  ResponseScene scene;
  scene.radius->SetVector({0, 2, -3});
  scene.movement->SetVector({1, 0, 0});
  scene.Step();
  scene.Step();
  EXPECT_EQ(scene.response->radius, D3DXVECTOR3(1, 2, -3));
}

TEST(FastCollisionResponse, ASecondCallInTheSameFrameDoesNoWork) {
  ResponseScene scene;
  scene.movement->SetVector({1, 0, 0});
  scene.Step();
  const D3DXVECTOR3 first = scene.Step();
  scene.movement->SetVector({9, 9, 9});
  scene.speed->SetValue(-1);
  EXPECT_EQ(scene.response->GetVector(), first);
  EXPECT_EQ(scene.speed->GetValue(), -1.0f);
  EXPECT_EQ(scene.position->GetVector(), first);
}

TEST(FastCollisionResponse, WithoutCollisionObjectsTheWholeMovementIsMade) {
  ResponseScene scene;
  scene.movement->SetVector({3, 0, 4});
  scene.penalty->SetVector({7, 7, 7});
  scene.Step();
  EXPECT_EQ(scene.Step(), D3DXVECTOR3(3, 0, 4));
  EXPECT_EQ(scene.penalty->GetVector(), D3DXVECTOR3(0, 0, 0));
  EXPECT_FLOAT_EQ(scene.speed->GetValue(), 5.0f);
  EXPECT_EQ(scene.position->GetVector(), D3DXVECTOR3(3, 0, 4));
  EXPECT_EQ(scene.response->collisionPolygons.GetCount(), 0u);
}

TEST(FastCollisionResponse, PenaltyForceIsTheCorrectionOfACollision) {
  ResponseScene scene;
  scene.AddObject(Floor(-10, 10, -10, 10, 0));
  scene.position->SetVector({0, 3, 0});
  scene.movement->SetVector({0, -5, 0});
  scene.Step();
  ExpectVector(scene.Step(), {0, 1, 0});
  // The solver leaves no velocity: the correction is minus the movement.
  ExpectVector(scene.penalty->GetVector(), {0, 5, 0});
  EXPECT_NEAR(scene.speed->GetValue(), 0.0f, 1e-6f);
}

TEST(FastCollisionResponse, ZeroAndNegativeLoopCountsAreKeptAndMakeNoIteration) {
  for (int count : {0, -3}) {
    const std::string path = testing::TempDir() + "loops" + std::to_string(count) + ".cvapp";
    {
      ResponseScene scene;
      scene.response->SetSlideLoopCount(count);
      EXPECT_EQ(scene.response->GetSlideLoopCount(), count);
      scene.movement->SetVector({3, 0, 4});
      scene.position->SetVector({1, 1, 1});
      scene.Step();
      EXPECT_EQ(scene.Step(), D3DXVECTOR3(1, 1, 1));
      EXPECT_FLOAT_EQ(scene.speed->GetValue(), 5.0f);
      EXPECT_EQ(scene.penalty->GetVector(), D3DXVECTOR3(0, 0, 0));
      ASSERT_TRUE(scene.engine.SaveApplication(path.c_str()));
    }
    HxEngine engine;
    ASSERT_TRUE(engine.LoadApplication(path.c_str()));
    for (Hx_Channel* c : engine.GetChannels())
      if (c->GetChannelType().typeGuid == MakeGuid(type_guids::kFastCollisionResponse)) {
        EXPECT_EQ(static_cast<Kv_DX8_FastCollisionResponse*>(c)->GetSlideLoopCount(), count);
      }
  }
}

TEST(FastCollisionResponse, ATranslatedObjectIsQueriedInItsOwnSpace) {
  ResponseScene scene;
  const D3DXMATRIX world = Translation(100, 0, 50);
  scene.AddObject(Floor(-10, 10, -10, 10, 0), &world);
  scene.position->SetVector({100, 1.5f, 50});
  scene.movement->SetVector({0.5f, 0, 0});
  scene.Step();
  scene.Step();
  // World box: position -/+ (2 * 0.5) -/+ radius 1, minus the translation.
  ExpectVector(scene.response->queryBoxMin, {-2, -0.5f, -2});
  ExpectVector(scene.response->queryBoxMax, {2, 3.5f, 2});
  ASSERT_EQ(scene.response->collisionPolygons.GetCount(), 2u);
  ExpectVector(scene.response->collisionPolygons[0].vertices[0].position, {90, 0, 40});
  ExpectVector(scene.response->collisionPolygons[0].vertices[2].position, {110, 0, 60});
}

TEST(FastCollisionResponse, ARotatedObjectGetsTheBoundOfTheRotatedBox) {
  ResponseScene scene;
  D3DXMATRIX world;
  D3DXMatrixRotationY(&world, 3.14159265f / 4);
  scene.AddObject(Floor(-10, 10, -10, 10, 0), &world);
  scene.position->SetVector({0, 5, 0});
  scene.movement->SetVector({0.5f, 0, 0});
  scene.radius->SetVector({1, 1, 3});
  scene.Step();
  scene.Step();
  // Half-extents a = 2 (x) and b = 4 (z) become (a + b) / sqrt(2) on both; y stays 2.
  const float h = 6.0f / std::sqrt(2.0f);
  ExpectVector(scene.response->queryBoxMin, {-h, 3, -h});
  ExpectVector(scene.response->queryBoxMax, {h, 7, h});
}

TEST(FastCollisionResponse, AnObjectLinkedTwiceGivesItsTrianglesTwice) {
  ResponseScene scene;
  auto* collision = scene.AddObject(Floor(-10, 10, -10, 10, 0));
  scene.engine.Link(scene.response, 6, collision);
  scene.position->SetVector({0, 1, 0});
  scene.movement->SetVector({0.1f, 0, 0});
  scene.Step();
  scene.Step();
  EXPECT_EQ(scene.response->collisionPolygons.GetCount(), 4u);
}

TEST(FastCollisionResponse, AnObjectWithoutInverseContributesNothing) {
  ResponseScene scene;
  D3DXMATRIX flat;
  D3DXMatrixScaling(&flat, 1, 0, 1);
  scene.AddObject(Floor(-10, 10, -10, 10, 0), &flat);
  scene.position->SetVector({0, 0.5f, 0});
  scene.movement->SetVector({0, -1, 0});
  scene.Step();
  EXPECT_EQ(scene.Step(), D3DXVECTOR3(0, -0.5f, 0));
  EXPECT_EQ(scene.response->collisionPolygons.GetCount(), 0u);
}

TEST(FastCollisionResponse, MissingChildrenFallBackToDefinedValues) {
  ResponseScene scene;
  // Without friction, movement position or radius children.
  for (int child : {1, 2, 3}) scene.engine.DestroyChannel(scene.response->GetChild(child));
  scene.movement->SetVector({1, 0, 0});
  EXPECT_EQ(scene.Step(), D3DXVECTOR3(0, 0, 0));  // the first evaluation starts at the origin
  EXPECT_EQ(scene.response->radius, D3DXVECTOR3(1, 1, 1));
}

TEST(FastCollisionResponse, CopiesOwnTheirSolverAndNoCompanion) {
  ResponseScene scene;
  scene.response->SetSlideLoopCount(7);
  auto* copy = new Kv_DX8_FastCollisionResponse(*scene.response);
  EXPECT_EQ(copy->GetSlideLoopCount(), 7);
  EXPECT_NE(copy->collisionSolver, scene.response->collisionSolver);
  EXPECT_EQ(copy->companionObject, nullptr);
  *copy = *scene.response;
  EXPECT_NE(copy->collisionSolver, scene.response->collisionSolver);
  delete copy;  // frees only its own solver
}

TEST(FastCollisionResponse, PluginDoesNotLinkTheCollisionObjectLibrary) {
  HxEngine engine;
  const auto plugin = std::filesystem::path(engine.GetPluginFolder()) / (std::string(type_guids::kFastCollisionResponse) + ".so");
  const std::string command = "readelf -d '" + plugin.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
  pclose(pipe);
  EXPECT_NE(output.find("93B5D04E-7A1C-4F28-B0E6-D42A8C1957F3.so"), std::string::npos) << output;
  EXPECT_EQ(output.find("7E1C95B3"), std::string::npos) << output;
}

TEST(FastCollisionResponse, APolygonWithoutRecordIsLeftOut) {
  ResponseScene scene;
  auto* object = static_cast<Kv_DX8_3DObject*>(scene.engine.CreateChannel(MakeGuid(type_guids::k3DObject)));
  std::vector<D3DXVECTOR3> vertices;
  std::vector<std::int32_t> indices;
  for (const Triangle& t : Floor(-10, 10, -10, 10, 0)) {
    for (const D3DXVECTOR3& v : {t.a, t.b, t.c}) {
      indices.push_back(static_cast<std::int32_t>(vertices.size()));
      vertices.push_back(v);
    }
  }
  object->AddSubObject(vertices, indices, kMeshTriangleList);
  Hx_Channel* holey = scene.engine.CreateChannel(MakeGuid("0E5A7C11-2D3B-4C5D-8E6F-7A8B9C0D1E30"));
  ASSERT_NE(holey, nullptr);
  ASSERT_TRUE(scene.engine.Link(holey, 0, object));
  ASSERT_TRUE(scene.engine.Link(scene.response, 6, holey));
  scene.position->SetVector({0, 1, 0});
  scene.movement->SetVector({0.1f, 0, 0});
  scene.Step();
  scene.Step();
  ASSERT_EQ(scene.response->collisionPolygons.GetCount(), 1u);
  ExpectVector(scene.response->collisionPolygons[0].vertices[1].position, {10, 0, 10});  // the second triangle
}

// The box tree and its descents on the engine-free core: statistics, split choice, leaf
// contents, and seeded random cross-checks of every query against a scan of all triangles.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "collision_object/collision_tree.h"
#include "collision_object/ray_triangle.h"
#include "collision_object/sqr_distance_point_poly.h"
#include "collision_object/tree_validate.h"
#include "collision_object/tri_box_overlap.h"

namespace {

// Small triangles spread along x, so the tree has to split them apart.
void AddRow(CollisionTree& tree, int count) {
  for (int i = 0; i < count; ++i) {
    const float x = static_cast<float>(i) * 2.0f;
    tree.AddTriangle({x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0});
  }
}

TEST(TreeBuild, SevenPolygonsMakeOneLeafRoot) {
  CollisionTree tree;
  AddRow(tree, 7);
  ASSERT_TRUE(tree.Build());
  EXPECT_TRUE(tree.Root()->isLeaf);
  EXPECT_EQ(tree.Stats().nodeCount, 1);
  EXPECT_EQ(tree.Stats().memorySize, 11);  // 7 entries + 4
  EXPECT_EQ(tree.Stats().leafEntrySum, 7);
}

TEST(TreeBuild, EightPolygonsSplitTheRoot) {
  CollisionTree tree;
  AddRow(tree, 8);
  ASSERT_TRUE(tree.Build());
  const BSPTree* root = tree.Root();
  ASSERT_FALSE(root->isLeaf);
  ASSERT_TRUE(root->left && root->right);
  // Box x in [0, 15]: split at 7.5, four triangles each side, both children leaves.
  EXPECT_EQ(root->left->boxMax.x, 7.5f);
  EXPECT_EQ(root->right->boxMin.x, 7.5f);
  EXPECT_EQ(root->left->polygonCount, 4);
  EXPECT_EQ(root->right->polygonCount, 4);
  EXPECT_EQ(tree.Stats().nodeCount, 3);
  EXPECT_EQ(tree.Stats().memorySize, 48 + 48 + (4 + 4) + (4 + 4));
  EXPECT_EQ(tree.Stats().leafEntrySum, 8);
  EXPECT_EQ(ValidateTree(root, tree.Polygons(), 8), "");
}

TEST(TreeBuild, SplitAxisTiesGoToTheLaterAxis) {
  struct Case {
    D3DXVECTOR3 extent;
    int axis;
  } cases[] = {{{2, 2, 1}, 1}, {{2, 2, 2}, 2}, {{3, 2, 2}, 0}, {{1, 2, 2}, 2}, {{1, 3, 2}, 1}};
  for (const Case& c : cases)
    EXPECT_EQ(SplitAxis({0, 0, 0}, c.extent), c.axis) << c.extent.x << c.extent.y << c.extent.z;
}

TEST(TreeBuild, StraddlingPolygonsReachEveryLeafAtDepthLimitPlusOne) {
  CollisionTree tree;
  tree.SetTreeDepth(3);
  for (int i = 0; i < 100; ++i) {
    const float s = 1.0f + 0.001f * static_cast<float>(i);
    tree.AddTriangle({-s, -s, -s}, {s, s, s}, {s, -s, s});  // crosses every centre plane
  }
  ASSERT_TRUE(tree.Build());
  int leaves = 0;
  std::vector<std::pair<const BSPTree*, int>> stack{{tree.Root(), 0}};
  while (!stack.empty()) {
    auto [node, depth] = stack.back();
    stack.pop_back();
    if (node->isLeaf) {
      ++leaves;
      EXPECT_EQ(depth, 4);
      EXPECT_EQ(node->polygonCount, 100);
      continue;
    }
    ASSERT_TRUE(node->left && node->right);
    stack.push_back({node->left, depth + 1});
    stack.push_back({node->right, depth + 1});
  }
  EXPECT_EQ(leaves, 16);
  EXPECT_EQ(tree.Stats().nodeCount, 31);
  EXPECT_EQ(tree.Stats().leafEntrySum / tree.Stats().nodeCount, 1600 / 31);
  EXPECT_EQ(ValidateTree(tree.Root(), tree.Polygons(), 3), "");
}

TEST(TreeBuild, CorruptLimitsStayBounded) {
  CollisionTree tree;
  tree.SetTreeDepth(1000);
  tree.SetTreePolyLeafCount(-7);
  for (int i = 0; i < 4; ++i) tree.AddTriangle({-1, -1, -1}, {1, 1, 1}, {1, -1, 1});
  ASSERT_TRUE(tree.Build());
  EXPECT_EQ(ValidateTree(tree.Root(), tree.Polygons(), kMaxBuildDepth), "");
  EXPECT_EQ(tree.Stats().nodeCount, (1 << 18) - 1);
}

TEST(TreeBuild, NothingOffTheOriginBuildsNothing) {
  CollisionTree tree;
  EXPECT_FALSE(tree.Build());
  tree.AddTriangle({0, 0, 0}, {0, 0, 0}, {0, 0, 0});
  EXPECT_FALSE(tree.Build());
  EXPECT_EQ(tree.Root(), nullptr);
}

// Two parallel triangles across x = 0.25 (far) and x = 0.75 (near, seen from x = 1), each in
// its own leaf: closest finds the near one, first-hit the one in the lower leaf.
TEST(RayQuery, ClosestVersusFirstHit) {
  CollisionTree tree;
  tree.SetTreePolyLeafCount(1);
  tree.SetTreeDepth(1);
  tree.AddTriangle({0.25f, -1, -1}, {0.25f, 1, -1}, {0.25f, 0, 1});
  tree.AddTriangle({0.75f, -1, -1}, {0.75f, 1, -1}, {0.75f, 0, 1});
  tree.AddTriangle({0, -1, -1}, {0, -1, -1}, {0, -1, -1});  // pins the box's lower x at 0
  tree.AddTriangle({1, 1, 1}, {1, 1, 1}, {1, 1, 1});        // and its upper x at 1
  ASSERT_TRUE(tree.Build());
  D3DXVECTOR3 point, normal;
  EXPECT_FLOAT_EQ(tree.RayCollision({2, 0, 0}, {-3, 0, 0}, &point, &normal, true), 1.25f);
  EXPECT_FLOAT_EQ(point.x, 0.75f);
  EXPECT_FLOAT_EQ(tree.RayCollision({2, 0, 0}, {-3, 0, 0}, &point, &normal, false), 1.75f);
  EXPECT_FLOAT_EQ(point.x, 0.25f);
  EXPECT_EQ(tree.RayCollision({2, 0, 0}, {-1, 0, 0}, &point, nullptr, true), -1.0f);
}

TEST(BoxQuery, ListsATriangleSpanningManyLeavesOncePerQuery) {
  CollisionTree tree;
  tree.SetTreePolyLeafCount(1);
  // A big triangle plus small ones in each quadrant forces splits through the big one.
  tree.AddTriangle({-10, -10, 0}, {10, -10, 0}, {-10, 10, 0});
  for (float x : {-8.0f, 6.0f})
    for (float y : {-8.0f, 6.0f}) tree.AddTriangle({x, y, 0}, {x + 1, y, 0}, {x, y + 1, 0});
  ASSERT_TRUE(tree.Build());
  ASSERT_EQ(ValidateTree(tree.Root(), tree.Polygons(), 8), "");
  for (int round = 0; round < 2; ++round) {
    std::vector<int> out;
    tree.BoxCollision(out, {-9, -9, -1}, {9, 9, 1});
    std::multiset<int> got(out.begin(), out.end());
    EXPECT_EQ(got.count(0), 1u) << "round " << round;
  }
}

TEST(BoxQuery, TouchingAnEdgeCounts) {
  CollisionTree tree;
  tree.AddTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  ASSERT_TRUE(tree.Build());
  std::vector<int> out;
  tree.BoxCollision(out, {0.2f, -1, -1}, {0.4f, 0, 1});  // box's top face on the edge y = 0
  EXPECT_EQ(out, std::vector<int>{0});
  out.clear();
  tree.BoxCollision(out, {0.2f, -1, -1}, {0.4f, -0.001f, 1});
  EXPECT_TRUE(out.empty());
}

// Seeded random triangle soups, each query checked against a scan of every triangle.
class RandomCrossCheck : public ::testing::TestWithParam<unsigned> {
 protected:
  void SetUp() override {
    rng_.seed(GetParam());
    std::uniform_real_distribution<float> centre(-20.0f, 20.0f), corner(-2.5f, 2.5f);
    for (int i = 0; i < 600; ++i) {
      const D3DXVECTOR3 c(centre(rng_), centre(rng_) * 0.3f, centre(rng_));
      tree_.AddTriangle(c + D3DXVECTOR3(corner(rng_), corner(rng_), corner(rng_)),
                        c + D3DXVECTOR3(corner(rng_), corner(rng_), corner(rng_)),
                        c + D3DXVECTOR3(corner(rng_), corner(rng_), corner(rng_)));
    }
    tree_.SetTreePolyLeafCount(4);
    tree_.SetTreeDepth(10);
    ASSERT_TRUE(tree_.Build());
    ASSERT_EQ(ValidateTree(tree_.Root(), tree_.Polygons(), 10), "");
  }
  D3DXVECTOR3 Point(float spread) {
    std::uniform_real_distribution<float> u(-spread, spread);
    return {u(rng_), u(rng_) * 0.3f, u(rng_)};
  }
  std::mt19937 rng_;
  CollisionTree tree_;
};

TEST_P(RandomCrossCheck, NearestHitMatchesScan) {
  int hits = 0;
  for (int q = 0; q < 400; ++q) {
    const D3DXVECTOR3 origin = Point(25), dir = Point(25);
    float best = -1;
    for (const PolygonInfoItem* p : tree_.Polygons()) {
      D3DXVECTOR3 point;
      float d;
      if (SegmentTriangleHit(*p, origin, dir, D3DXVec3Length(&dir), false, point, d) &&
          (best < 0 || d < best))
        best = d;
    }
    const float got = tree_.RayCollision(origin, dir, nullptr, nullptr, true);
    EXPECT_EQ(got, best) << "query " << q;
    const float first = tree_.RayCollision(origin, dir, nullptr, nullptr, false);
    EXPECT_EQ(first < 0, best < 0);
    EXPECT_GE(first, best);
    hits += best >= 0;
  }
  EXPECT_GT(hits, 80);   // the queries must exercise both answers
  EXPECT_LT(hits, 320);
}

TEST_P(RandomCrossCheck, BoxQueryListsExactlyTheOverlappingTriangles) {
  int nonEmpty = 0;
  for (int q = 0; q < 300; ++q) {
    const D3DXVECTOR3 c = Point(22);
    std::uniform_real_distribution<float> size(0.2f, 4.0f);
    const D3DXVECTOR3 half(size(rng_), size(rng_), size(rng_));
    const D3DXVECTOR3 lo = c - half, hi = c + half;
    std::vector<int> out{-5};  // items already in the list stay
    tree_.BoxCollision(out, lo, hi);
    ASSERT_EQ(out[0], -5);
    std::vector<int> got(out.begin() + 1, out.end());
    std::sort(got.begin(), got.end());
    ASSERT_TRUE(std::adjacent_find(got.begin(), got.end()) == got.end()) << "duplicate";
    const D3DXVECTOR3 h = (hi - lo) * 0.5f, m = lo + h;
    const float centre[3] = {m.x, m.y, m.z}, halfSize[3] = {h.x, h.y, h.z};
    std::vector<int> expected;
    for (const PolygonInfoItem* p : tree_.Polygons()) {
      const float v[3][3] = {{p->vertex0.x, p->vertex0.y, p->vertex0.z},
                             {p->vertex1.x, p->vertex1.y, p->vertex1.z},
                             {p->vertex2.x, p->vertex2.y, p->vertex2.z}};
      if (TriBoxOverlap(centre, halfSize, v)) expected.push_back(p->listIndex);
    }
    EXPECT_EQ(got, expected) << "query " << q;
    nonEmpty += !expected.empty();
  }
  EXPECT_GT(nonEmpty, 60);
  EXPECT_LT(nonEmpty, 270);
}

TEST_P(RandomCrossCheck, SphereMatchesScan) {
  int touching = 0;
  for (int q = 0; q < 400; ++q) {
    const D3DXVECTOR3 c = Point(24);
    const float r = std::uniform_real_distribution<float>(0.1f, 3.0f)(rng_);
    bool expected = false;
    for (const PolygonInfoItem* p : tree_.Polygons())
      expected = expected || SqrDistancePointPoly(c, *p) < r * r;
    EXPECT_EQ(tree_.SphereCollision(c, r), expected) << "query " << q;
    // An identity matrix takes the matrix path to the same answer.
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(tree_.SphereCollisionWithMatrix(c, r, identity), expected);
    touching += expected;
  }
  EXPECT_GT(touching, 80);
  EXPECT_LT(touching, 320);
}

// The tree answers 0 whenever some corner is strictly on the far side. It may also answer 0
// without such a corner, but only through a leaf whose whole box lies on the far side.
TEST_P(RandomCrossCheck, PlaneMatchesScan) {
  int cuts = 0, sides = 0;
  for (int q = 0; q < 300; ++q) {
    D3DXVECTOR3 n = Point(1);
    n.y *= 3.0f;
    D3DXVec3Normalize(&n, &n);
    const D3DXVECTOR3 through = Point(45);
    const D3DXPLANE plane{n.x, n.y, n.z, -D3DXVec3Dot(&n, &through)};
    const int got = tree_.PlaneCollision(plane);
    const int side = tree_.PlaneSide();
    auto other = [&](const D3DXVECTOR3& p) {
      return D3DXPlaneDotCoord(&plane, &p) * static_cast<float>(side) < 0.0f;
    };
    bool cornerBeyond = false;
    for (const PolygonInfoItem* p : tree_.Polygons())
      cornerBeyond = cornerBeyond || other(p->vertex0) || other(p->vertex1) || other(p->vertex2);
    if (side == 0 || cornerBeyond) {
      EXPECT_EQ(got, 0) << "query " << q;
    } else if (got == 0) {
      bool leafBeyond = false;
      std::vector<const BSPTree*> stack{tree_.Root()};
      while (!stack.empty()) {
        const BSPTree* node = stack.back();
        stack.pop_back();
        if (node->left) stack.push_back(node->left);
        if (node->right) stack.push_back(node->right);
        if (!node->isLeaf || node->polygonCount == 0) continue;
        bool all = true;
        for (int k = 0; k < 8; ++k)
          all = all && other({k & 1 ? node->boxMax.x : node->boxMin.x,
                              k & 2 ? node->boxMax.y : node->boxMin.y,
                              k & 4 ? node->boxMax.z : node->boxMin.z});
        leafBeyond = leafBeyond || all;
      }
      EXPECT_TRUE(leafBeyond) << "query " << q;
    } else {
      EXPECT_EQ(got, side);
    }
    (got == 0 ? cuts : sides)++;
  }
  EXPECT_GT(cuts, 50);
  EXPECT_GT(sides, 50);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomCrossCheck, ::testing::Values(1u, 2u, 3u));

}  // namespace

// The collision object's tree side by side with a physics library's quantised triangle-mesh
// tree (segment: performRaycast; box: processAllTriangles plus the same exact triangle/box
// test) and a ray tracing kernel library (rtcIntersect1, one build thread), on the same
// scenes and queries. Answers are compared; rates and ratios are printed as a table.
#include <btBulletCollisionCommon.h>
#include <BulletCollision/NarrowPhaseCollision/btRaycastCallback.h>
#include <embree3/rtcore.h>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/collision_object/bench_scenes.h"
#include "collision_object/collision_tree.h"
#include "collision_object/tri_box_overlap.h"

namespace {

using bench_scenes::Mesh;
// The thread's own processor time: the machine is shared, and wall time would count the
// other processes' share. The kernel library builds with one thread, so this is all its work.
double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Repeats body until at least minSeconds of processor time passed; returns seconds per call,
// the best of three such runs.
template <class Body>
double PerCall(double minSeconds, Body&& body) {
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    int calls = 0;
    const double start = ThreadSeconds();
    do {
      body();
      ++calls;
    } while (ThreadSeconds() - start < minSeconds / 3);
    best = std::min(best, (ThreadSeconds() - start) / calls);
  }
  return best;
}

void Fill(CollisionTree& tree, const Mesh& mesh) {
  tree.Clear();
  tree.SetTreeDepth(bench_scenes::TreeDepthFor(mesh));
  for (std::size_t i = 0; i < mesh.indices.size(); i += 3)
    tree.AddTriangle(mesh.vertices[mesh.indices[i]], mesh.vertices[mesh.indices[i + 1]],
                     mesh.vertices[mesh.indices[i + 2]]);
}

struct BulletScene {
  explicit BulletScene(const Mesh& mesh) {
    vertices.reserve(mesh.vertices.size() * 3);
    for (const D3DXVECTOR3& v : mesh.vertices) vertices.insert(vertices.end(), {v.x, v.y, v.z});
    indices.assign(mesh.indices.begin(), mesh.indices.end());
    array = std::make_unique<btTriangleIndexVertexArray>(
        mesh.TriangleCount(), indices.data(), 3 * static_cast<int>(sizeof(int)),
        static_cast<int>(mesh.vertices.size()), vertices.data(), 3 * static_cast<int>(sizeof(float)));
    shape = std::make_unique<btBvhTriangleMeshShape>(array.get(), true, true);
  }
  std::vector<float> vertices;
  std::vector<int> indices;
  std::unique_ptr<btTriangleIndexVertexArray> array;
  std::unique_ptr<btBvhTriangleMeshShape> shape;
};

// Keeps the nearest hit: the base class only reports hits nearer than the last fraction.
struct NearestRay : btTriangleRaycastCallback {
  NearestRay(const btVector3& from, const btVector3& to) : btTriangleRaycastCallback(from, to) {}
  btScalar reportHit(const btVector3&, btScalar fraction, int, int) override {
    hit = true;
    return fraction;
  }
  bool hit = false;
};

struct BoxCandidates : btTriangleCallback {
  BoxCandidates(const D3DXVECTOR3& lo, const D3DXVECTOR3& hi, std::vector<int>& found)
      : out(found) {
    const D3DXVECTOR3 h = (hi - lo) * 0.5f, c = lo + h;
    centre[0] = c.x, centre[1] = c.y, centre[2] = c.z;
    half[0] = h.x, half[1] = h.y, half[2] = h.z;
  }
  void processTriangle(btVector3* t, int, int index) override {
    const float v[3][3] = {{t[0].x(), t[0].y(), t[0].z()},
                           {t[1].x(), t[1].y(), t[1].z()},
                           {t[2].x(), t[2].y(), t[2].z()}};
    if (TriBoxOverlap(centre, half, v)) out.push_back(index);
  }
  float centre[3], half[3];
  std::vector<int>& out;
};

struct EmbreeScene {
  EmbreeScene(RTCDevice device, const Mesh& mesh) {
    scene = rtcNewScene(device);
    RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
    auto* v = static_cast<float*>(rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0,
                                                          RTC_FORMAT_FLOAT3, 3 * sizeof(float),
                                                          mesh.vertices.size()));
    for (const D3DXVECTOR3& p : mesh.vertices) *v++ = p.x, *v++ = p.y, *v++ = p.z;
    auto* i = static_cast<unsigned*>(rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0,
                                                             RTC_FORMAT_UINT3, 3 * sizeof(unsigned),
                                                             mesh.indices.size() / 3));
    std::copy(mesh.indices.begin(), mesh.indices.end(), i);
    rtcCommitGeometry(geometry);
    rtcAttachGeometry(scene, geometry);
    rtcReleaseGeometry(geometry);
    rtcCommitScene(scene);
  }
  ~EmbreeScene() { rtcReleaseScene(scene); }
  // Distance to the nearest hit of the segment, or -1.
  float Nearest(const bench_scenes::Segment& s) const {
    RTCRayHit rh{};
    rh.ray.org_x = s.origin.x, rh.ray.org_y = s.origin.y, rh.ray.org_z = s.origin.z;
    rh.ray.dir_x = s.dir.x, rh.ray.dir_y = s.dir.y, rh.ray.dir_z = s.dir.z;
    rh.ray.tnear = 0, rh.ray.tfar = 1, rh.ray.mask = ~0u;
    rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    rtcIntersect1(scene, &context, &rh);
    if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID) return -1;
    return rh.ray.tfar * D3DXVec3Length(&s.dir);
  }
  RTCScene scene;
};

bool SameDistance(float a, float b) {
  if (a < 0 || b < 0) return (a < 0) == (b < 0);
  return std::fabs(a - b) <= 1e-3f * (1.0f + a);
}

}  // namespace

int main() {
  RTCDevice device = rtcNewDevice("threads=1");
  std::printf("%-12s %9s | %-27s | %-39s | %-27s | %s\n", "scene", "triangles",
              "build ms: ours bullet embree", "nearest segment k/s: ours bullet embree",
              "char. box k/s: ours bullet", "agreement");
  bool allAgree = true;
  for (const Mesh& mesh : bench_scenes::AllScenes()) {
    const int queries = 20000;
    const auto segments = bench_scenes::Segments(mesh, queries);
    const auto boxes = bench_scenes::CharacterBoxes(mesh, queries);
    const double minSeconds = 1.0;

    CollisionTree tree;
    const double oursBuild = PerCall(minSeconds, [&] {
      Fill(tree, mesh);
      tree.Build();
    });
    std::unique_ptr<BulletScene> bullet;
    const double bulletBuild = PerCall(minSeconds, [&] {
      bullet.reset();
      bullet = std::make_unique<BulletScene>(mesh);
    });
    std::unique_ptr<EmbreeScene> embree;
    const double embreeBuild = PerCall(minSeconds, [&] {
      embree.reset();
      embree = std::make_unique<EmbreeScene>(device, mesh);
    });

    // Answers first, then timing of the same loops without the bookkeeping.
    int rayMismatch = 0, embreeMismatch = 0, boxMismatch = 0;
    for (const auto& s : segments) {
      const float ours = tree.RayCollision(s.origin, s.dir, nullptr, nullptr, true);
      NearestRay ray(btVector3(s.origin.x, s.origin.y, s.origin.z),
                     btVector3(s.origin.x + s.dir.x, s.origin.y + s.dir.y, s.origin.z + s.dir.z));
      bullet->shape->performRaycast(&ray, ray.m_from, ray.m_to);
      const float theirs = ray.hit ? ray.m_hitFraction * D3DXVec3Length(&s.dir) : -1.0f;
      rayMismatch += !SameDistance(ours, theirs);
      embreeMismatch += !SameDistance(ours, embree->Nearest(s));
    }
    std::vector<int> oursFound, theirsFound;
    for (const auto& b : boxes) {
      oursFound.clear();
      theirsFound.clear();
      tree.BoxCollision(oursFound, b.first, b.second);
      BoxCandidates candidates(b.first, b.second, theirsFound);
      bullet->shape->processAllTriangles(&candidates, btVector3(b.first.x, b.first.y, b.first.z),
                                         btVector3(b.second.x, b.second.y, b.second.z));
      std::sort(oursFound.begin(), oursFound.end());
      std::sort(theirsFound.begin(), theirsFound.end());
      boxMismatch += oursFound != theirsFound;
    }

    const double oursRay = PerCall(minSeconds, [&] {
      for (const auto& s : segments) tree.RayCollision(s.origin, s.dir, nullptr, nullptr, true);
    }) / queries;
    const double bulletRay = PerCall(minSeconds, [&] {
      for (const auto& s : segments) {
        NearestRay ray(btVector3(s.origin.x, s.origin.y, s.origin.z),
                       btVector3(s.origin.x + s.dir.x, s.origin.y + s.dir.y, s.origin.z + s.dir.z));
        bullet->shape->performRaycast(&ray, ray.m_from, ray.m_to);
      }
    }) / queries;
    const double embreeRay = PerCall(minSeconds, [&] {
      for (const auto& s : segments) embree->Nearest(s);
    }) / queries;
    const double oursBox = PerCall(minSeconds, [&] {
      for (const auto& b : boxes) {
        oursFound.clear();
        tree.BoxCollision(oursFound, b.first, b.second);
      }
    }) / queries;
    const double bulletBox = PerCall(minSeconds, [&] {
      for (const auto& b : boxes) {
        theirsFound.clear();
        BoxCandidates candidates(b.first, b.second, theirsFound);
        bullet->shape->processAllTriangles(&candidates, btVector3(b.first.x, b.first.y, b.first.z),
                                           btVector3(b.second.x, b.second.y, b.second.z));
      }
    }) / queries;

    std::printf("%-12s %9d | %7.1f %7.1f %7.1f     | %8.0f %8.0f %8.0f              | %8.0f %8.0f       | "
                "segments differ: bullet %d, embree %d of %d; boxes differ: %d of %d\n",
                mesh.name.c_str(), mesh.TriangleCount(), oursBuild * 1e3, bulletBuild * 1e3,
                embreeBuild * 1e3, 1e-3 / oursRay, 1e-3 / bulletRay, 1e-3 / embreeRay,
                1e-3 / oursBox, 1e-3 / bulletBox, rayMismatch, embreeMismatch, queries,
                boxMismatch, queries);
    std::printf("%-12s %9s | ratio ours/peer: build time %.2fx bullet, %.2fx embree; nearest "
                "segments/s %.2fx bullet, %.2fx embree; boxes/s %.2fx bullet\n",
                "", "", oursBuild / bulletBuild, oursBuild / embreeBuild, bulletRay / oursRay,
                embreeRay / oursRay, bulletBox / oursBox);
    allAgree = allAgree && boxMismatch == 0 && rayMismatch <= queries / 1000 &&
               embreeMismatch <= queries / 1000;
  }
  rtcReleaseDevice(device);
  std::printf("answers %s\n", allAgree ? "agree" : "DISAGREE");
  return allAgree ? 0 : 1;
}

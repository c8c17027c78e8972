// The same sweeps of a unit sphere against single triangles, through SweepSphere and through a
// general-purpose physics library's convex casts of a sphere against a triangle. Prints how
// often the answers agree, how far their times of impact differ, and the time per triangle.
//
// Only sweeps that start clear of the triangle and in front of it are generated: there the two
// ask the same question (the library's casts are two-sided and report no penetration depth).

#include <btBulletCollisionCommon.h>
#include <BulletCollision/CollisionShapes/btTriangleShape.h>
#include <BulletCollision/NarrowPhaseCollision/btContinuousConvexCollision.h>
#include <BulletCollision/NarrowPhaseCollision/btGjkEpaPenetrationDepthSolver.h>
#include <BulletCollision/NarrowPhaseCollision/btSubSimplexConvexCast.h>
#include <BulletCollision/NarrowPhaseCollision/btVoronoiSimplexSolver.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "fast_collision_response/collision_solver.h"
#include "tests/fast_collision_response/exact_sweep.h"

namespace {

using Case = fcr_scenes::SweepCase;
using fcr_scenes::ExactFraction;

btVector3 ToBt(const D3DXVECTOR3& v) { return btVector3(v.x, v.y, v.z); }

float Length(const D3DXVECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// Fraction of the movement at impact, or -1 for no impact.
float OurFraction(const CollisionSolver& solver, const Case& c, CollisionContactList& contacts) {
  solver.SweepSphere(c.triangle, CollisionPlane(c.start, c.movement), contacts);
  if (contacts.IsEmpty()) return -1.0f;
  return contacts[0].distance / Length(c.movement);
}

struct PeerShapes {
  btSphereShape sphere{1.0f};
  std::vector<std::unique_ptr<btTriangleShape>> triangles;
  explicit PeerShapes(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      const auto& v = c.triangle[0].vertices;
      triangles.push_back(std::make_unique<btTriangleShape>(
          ToBt(v[0].position), ToBt(v[1].position), ToBt(v[2].position)));
      triangles.back()->setMargin(0.0f);  // the exact triangle, no rounded skin
    }
  }
};

template <class Cast>
float PeerFraction(Cast& cast, const Case& c) {
  btTransform from, to, fixed;
  from.setIdentity();
  to.setIdentity();
  fixed.setIdentity();
  from.setOrigin(ToBt(c.start));
  to.setOrigin(ToBt(c.start + c.movement));
  btConvexCast::CastResult result;
  if (!cast.calcTimeOfImpact(from, to, fixed, fixed, result)) return -1.0f;
  return static_cast<float>(result.m_fraction);
}

float SubsimplexFraction(PeerShapes& shapes, std::size_t i, const Case& c) {
  btVoronoiSimplexSolver simplex;
  btSubsimplexConvexCast cast(&shapes.sphere, shapes.triangles[i].get(), &simplex);
  return PeerFraction(cast, c);
}

float ContinuousFraction(PeerShapes& shapes, std::size_t i, const Case& c) {
  btVoronoiSimplexSolver simplex;
  btGjkEpaPenetrationDepthSolver depth;
  btContinuousConvexCollision cast(&shapes.sphere, shapes.triangles[i].get(), &simplex, &depth);
  return PeerFraction(cast, c);
}

// Nanoseconds for cases [first, last).
template <class Sweep>
double TimeBlock(std::size_t first, std::size_t last, Sweep sweep) {
  float sink = 0;
  const auto begin = std::chrono::steady_clock::now();
  for (std::size_t i = first; i < last; ++i) sink += sweep(i);
  const auto end = std::chrono::steady_clock::now();
  volatile float keep = sink;
  (void)keep;
  return std::chrono::duration<double, std::nano>(end - begin).count();
}

// The machine is shared: the cases are timed in short blocks, the contenders take turns block
// by block, and each block keeps its fastest of several rounds, so that a preempted or
// cache-starved block does not count against whoever happened to run it.
class Stopwatch {
 public:
  Stopwatch(std::size_t count, std::size_t block) : count_(count), block_(block),
        best_((count + block - 1) / block, 1e300) {}
  template <class Sweep>
  void Round(Sweep sweep) {
    for (std::size_t b = 0; b < best_.size(); ++b) {
      const std::size_t first = b * block_, last = std::min(count_, first + block_);
      best_[b] = std::min(best_[b], TimeBlock(first, last, sweep));
    }
  }
  double PerCase() const {
    double total = 0;
    for (double t : best_) total += t;
    return total / count_;
  }

 private:
  std::size_t count_, block_;
  std::vector<double> best_;
};

struct Agreement {
  int bothHit = 0, bothMiss = 0, referenceOnly = 0, answerOnly = 0, withinTolerance = 0;
  double largestDifference = 0;  // in distance units (unit sphere radii)
};

constexpr double kTolerance = 0.001;  // time of impact, as distance along the movement

Agreement Compare(const std::vector<Case>& cases, const std::vector<float>& reference,
                  const std::vector<float>& answers) {
  Agreement a;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const bool referenceHit = reference[i] >= 0.0f, hit = answers[i] >= 0.0f;
    if (referenceHit && hit) {
      ++a.bothHit;
      const double difference = std::fabs(reference[i] - answers[i]) * Length(cases[i].movement);
      a.largestDifference = std::max(a.largestDifference, difference);
      if (difference <= kTolerance) ++a.withinTolerance;
    } else if (!referenceHit && !hit) {
      ++a.bothMiss;
    } else if (referenceHit) {
      ++a.referenceOnly;
    } else {
      ++a.answerOnly;
    }
  }
  return a;
}

void Print(const char* reference, const char* answer, const Agreement& a) {
  std::printf("  %-28s vs %-28s hit both %5d, miss both %5d, only the first %4d, only the "
              "second %4d; impact within %.3g: %5d (largest difference %.2g)\n",
              reference, answer, a.bothHit, a.bothMiss, a.referenceOnly, a.answerOnly, kTolerance,
              a.withinTolerance, a.largestDifference);
}

}  // namespace

int main() {
  const std::vector<Case> cases = fcr_scenes::MakeSweepCases(2026, 20000);
  const CollisionSolver solver;
  CollisionContactList contacts;
  PeerShapes shapes(cases);

  std::vector<float> exact(cases.size()), ours(cases.size()), subsimplex(cases.size()),
      continuous(cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    exact[i] = ExactFraction(cases[i]);
    ours[i] = OurFraction(solver, cases[i], contacts);
    subsimplex[i] = SubsimplexFraction(shapes, i, cases[i]);
    continuous[i] = ContinuousFraction(shapes, i, cases[i]);
  }

  constexpr std::size_t kBlock = 200;
  constexpr int kRounds = 15;
  Stopwatch oursTime(cases.size(), kBlock), subsimplexTime(cases.size(), kBlock),
      continuousTime(cases.size(), kBlock);
  for (int round = 0; round < kRounds; ++round) {
    oursTime.Round([&](std::size_t i) { return OurFraction(solver, cases[i], contacts); });
    subsimplexTime.Round([&](std::size_t i) { return SubsimplexFraction(shapes, i, cases[i]); });
    continuousTime.Round([&](std::size_t i) { return ContinuousFraction(shapes, i, cases[i]); });
  }
  const double oursNs = oursTime.PerCase(), subsimplexNs = subsimplexTime.PerCase(),
               continuousNs = continuousTime.PerCase();

  // One sweep over all the triangles at once, as the solver runs it.
  CollisionPolygonList all;
  for (const Case& c : cases) all.Append(c.triangle[0]);
  const CollisionPlane ray(cases[0].start, cases[0].movement);
  double batchNs = 1e300;
  for (int round = 0; round < kRounds; ++round) {
    batchNs = std::min(batchNs, TimeBlock(0, 1, [&](std::size_t) {
                                  solver.SweepSphere(all, ray, contacts);
                                  return static_cast<float>(contacts.GetCount());
                                }) / cases.size());
  }

  std::printf("%zu sweeps of a unit sphere against one triangle each, starting clear of the "
              "triangle and in front of it\n\n",
              cases.size());
  std::printf("Time per triangle (blocks of %zu sweeps, fastest of %d rounds each)\n", kBlock, kRounds);
  std::printf("  %-28s %8.1f ns (one triangle per call)\n", "SweepSphere", oursNs);
  std::printf("  %-28s %8.1f ns (all triangles in one list)\n", "SweepSphere", batchNs);
  std::printf("  %-28s %8.1f ns, %4.1fx the time of SweepSphere\n", "btSubsimplexConvexCast",
              subsimplexNs, subsimplexNs / oursNs);
  std::printf("  %-28s %8.1f ns, %4.1fx the time of SweepSphere\n",
              "btContinuousConvexCollision", continuousNs, continuousNs / oursNs);

  std::printf("\nAnswers (impact as distance travelled, in sphere radii)\n");
  Print("SweepSphere", "btSubsimplexConvexCast", Compare(cases, ours, subsimplex));
  Print("SweepSphere", "btContinuousConvexCollision", Compare(cases, ours, continuous));
  Print("exact (double precision)", "SweepSphere", Compare(cases, exact, ours));
  Print("exact (double precision)", "btSubsimplexConvexCast", Compare(cases, exact, subsimplex));
  Print("exact (double precision)", "btContinuousConvexCollision",
        Compare(cases, exact, continuous));
  return 0;
}

#include "apps/path_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "platform/d3d8/png_writer.h"

namespace {

constexpr int kWidth = 760;
constexpr int kMargin = 14;
constexpr int kTitle = 22;
constexpr std::uint32_t kBackground = 0xFF1C1F26;
constexpr std::uint32_t kLabel = 0xFFD8DCE4;
constexpr std::uint32_t kObjectColours[] = {0xFF8FA3B8, 0xFFC08A4A, 0xFF9BB88F, 0xFFB88FB0};

struct Bounds {
  D3DXVECTOR3 lo, hi;
  void Add(const D3DXVECTOR3& p) {
    for (int i = 0; i < 3; ++i) {
      lo[i] = std::min(lo[i], p[i]);
      hi[i] = std::max(hi[i], p[i]);
    }
  }
};

// A view maps world points to the picture: across, down, and depth (smaller is nearer).
struct View {
  std::function<ScreenPoint(const D3DXVECTOR3&)> project;
  D3DXVECTOR3 towardsViewer;
  bool outlineEdgeOn;  // draw faces seen edge-on (walls from above) as lines
};

constexpr std::uint32_t kEdgeOn = 0xFFE6EAF0;
constexpr std::uint32_t kContact = 0xFF0A0A0A;

Bounds SceneBounds(const std::vector<LevelObject>& objects, const std::vector<PathSample>& path) {
  Bounds b{{1e30f, 1e30f, 1e30f}, {-1e30f, -1e30f, -1e30f}};
  for (const LevelObject& object : objects) {
    D3DXVECTOR3 lo, hi;
    WorldBounds(object, &lo, &hi);
    if (lo.x <= hi.x) {
      b.Add(lo);
      b.Add(hi);
    }
  }
  for (const PathSample& s : path) b.Add(s.position);
  if (b.lo.x > b.hi.x) b = {{-1, -1, -1}, {1, 1, 1}};
  return b;
}

void DrawObjects(ArgbCanvas& canvas, const std::vector<LevelObject>& objects, const View& view, const Bounds& b) {
  D3DXVECTOR3 light{-0.3f, 0.85f, -0.45f};
  D3DXVec3Normalize(&light, &light);
  const float height = std::max(b.hi.y - b.lo.y, 1e-6f);
  for (std::size_t k = 0; k < objects.size(); ++k) {
    const LevelObject& object = objects[k];
    const std::uint32_t colour = kObjectColours[std::min<std::size_t>(k, 3)];
    for (const Triangle& local : object.triangles) {
      Triangle t;
      D3DXVec3TransformCoord(&t.a, &local.a, &object.world);
      D3DXVec3TransformCoord(&t.b, &local.b, &object.world);
      D3DXVec3TransformCoord(&t.c, &local.c, &object.world);
      D3DXVECTOR3 n = FaceNormal(t);
      D3DXVec3Normalize(&n, &n);
      const float facing = D3DXVec3Dot(&n, &view.towardsViewer);
      if (view.outlineEdgeOn && std::fabs(facing) < 0.05f) {
        const ScreenPoint a = view.project(t.a), b = view.project(t.b), c = view.project(t.c);
        canvas.Line(a.x, a.y, b.x, b.y, kEdgeOn, 2);
        canvas.Line(b.x, b.y, c.x, c.y, kEdgeOn, 2);
        canvas.Line(c.x, c.y, a.x, a.y, kEdgeOn, 2);
        continue;
      }
      if (facing <= 0) continue;  // seen from behind
      const float lit = 0.45f + 0.55f * std::max(0.0f, D3DXVec3Dot(&n, &light));
      const float raised = 0.7f + 0.3f * ((t.a.y + t.b.y + t.c.y) / 3 - b.lo.y) / height;
      canvas.Triangle(view.project(t.a), view.project(t.b), view.project(t.c), Shade(colour, lit * raised));
    }
  }
}

void DrawPath(ArgbCanvas& canvas, const std::vector<PathSample>& path, const View& view, float topSpeed,
              float sideways) {
  // Frames with a collision get a dark edge under their stretch of the path.
  for (std::size_t i = 1; i < path.size(); ++i) {
    if (!path[i].collided) continue;
    const ScreenPoint p = view.project(path[i - 1].position), q = view.project(path[i].position);
    canvas.Line(p.x, p.y, q.x, q.y, kContact, 6.0f);
  }
  for (std::size_t i = 1; i < path.size(); ++i) {
    const ScreenPoint p = view.project(path[i - 1].position), q = view.project(path[i].position);
    canvas.Line(p.x, p.y, q.x, q.y, HeatColour(path[i].speed / topSpeed), 3.0f);
  }
  for (const PathSample& s : path) {
    if (!s.collided || std::hypot(s.correction.x, s.correction.z) <= sideways) continue;
    const ScreenPoint p = view.project(s.position);
    canvas.Ring(p.x, p.y, 5, 0xFFFFFFFF);
  }
}

void DrawLegend(ArgbCanvas& canvas, int top, float topSpeed) {
  int x = kMargin;
  x += canvas.Text(x, top, "SPEED 0 ", kLabel, 2);
  for (int i = 0; i < 160; ++i) canvas.Rectangle(x + i, top, x + i + 1, top + 14, HeatColour(i / 159.0f));
  x += 168;
  char text[64];
  std::snprintf(text, sizeof text, "%.2f/FRAME", topSpeed);
  x += canvas.Text(x, top, text, kLabel, 2) + 20;
  canvas.Line(x, top + 7, x + 18, top + 7, kContact, 6.0f);
  canvas.Line(x, top + 7, x + 18, top + 7, HeatColour(0.5f), 3.0f);
  x += 24;
  x += canvas.Text(x, top, "CONTACT", kLabel, 2) + 20;
  canvas.Ring(x + 5, top + 7, 5, 0xFFFFFFFF);
  canvas.Text(x + 16, top, "SIDE HIT", kLabel, 2);
}

}  // namespace

ArgbCanvas DrawPathPicture(const std::vector<LevelObject>& objects, const std::vector<PathSample>& path) {
  const Bounds b = SceneBounds(objects, path);
  const float span = std::max({b.hi.x - b.lo.x, b.hi.z - b.lo.z, 1e-3f});
  const float scale = (kWidth - 2 * kMargin) / span;
  const int topHeight = static_cast<int>(std::ceil((b.hi.z - b.lo.z) * scale));
  const int sideHeight = std::max(40, static_cast<int>(std::ceil((b.hi.y - b.lo.y) * scale)));
  const int topOrigin = kTitle + kMargin;
  const int sideOrigin = topOrigin + topHeight + kMargin + kTitle;
  const int legendTop = sideOrigin + sideHeight + kMargin;
  ArgbCanvas canvas(kWidth, legendTop + 14 + kMargin, kBackground);

  const View top{[&](const D3DXVECTOR3& p) {
                   return ScreenPoint{kMargin + (p.x - b.lo.x) * scale, topOrigin + (b.hi.z - p.z) * scale, -p.y};
                 },
                 {0, 1, 0},
                 true};
  const View side{[&](const D3DXVECTOR3& p) {
                    return ScreenPoint{kMargin + (p.x - b.lo.x) * scale, sideOrigin + (b.hi.y - p.y) * scale, p.z};
                  },
                  {0, 0, -1},
                  false};

  float topSpeed = 1e-6f, longest = 0;
  for (const PathSample& s : path) topSpeed = std::max(topSpeed, std::isfinite(s.speed) ? s.speed : 0.0f);
  for (std::size_t i = 1; i < path.size(); ++i) {
    const D3DXVECTOR3 step = path[i].position - path[i - 1].position;
    longest = std::max(longest, D3DXVec3Length(&step));
  }
  const float sideways = 0.2f * std::max(longest, 1e-6f);

  canvas.Text(kMargin, kMargin, "FROM ABOVE", kLabel, 2);
  DrawObjects(canvas, objects, top, b);
  DrawPath(canvas, path, top, topSpeed, sideways);
  canvas.Text(kMargin, sideOrigin - kTitle, "FROM THE SIDE", kLabel, 2);
  DrawObjects(canvas, objects, side, b);
  DrawPath(canvas, path, side, topSpeed, sideways);
  DrawLegend(canvas, legendTop, topSpeed);
  return canvas;
}

bool WritePathPicture(const std::string& file, const std::vector<LevelObject>& objects,
                      const std::vector<PathSample>& path) {
  const ArgbCanvas canvas = DrawPathPicture(objects, path);
  return WriteArgbPng(file.c_str(), static_cast<UINT>(canvas.Width()), static_cast<UINT>(canvas.Height()),
                      canvas.Pixels().data());
}

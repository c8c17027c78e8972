#include "apps/frame_loop.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr double kFramesPerSecond = 60.0;

bool NonZero(const D3DXVECTOR3& v) { return v.x != 0 || v.y != 0 || v.z != 0; }

}  // namespace

double NowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

FrameLoop::FrameLoop(HxEngine& engine, DemoScene& scene, RouteScript& route, TextureConsumer* media, bool paced)
    : engine_(engine), scene_(scene), route_(route), media_(media), paced_(paced), startSeconds_(NowSeconds()) {}

void FrameLoop::Pace() {
  if (!paced_) return;
  const double due = startSeconds_ + stats_.frames / kFramesPerSecond;
  const double wait = due - NowSeconds();
  if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double>(wait));
}

D3DXVECTOR3 FrameLoop::Frame() {
  Pace();
  scene_.Movement()->SetVector(route_.NextMovement(scene_.Position()->GetVector()));
  engine_.BeginFrame();
  const double before = NowSeconds();
  const D3DXVECTOR3 position = scene_.response->GetVector();
  const double took = NowSeconds() - before;
  stats_.responseSeconds += took;
  if (took > stats_.slowestResponse) stats_.slowestResponse = took;

  // The response writes the correction only after a collision, (0, 0, 0) otherwise.
  const D3DXVECTOR3 correction = scene_.Penalty()->GetVector();
  const bool collided = NonZero(correction);
  stats_.collisions += collided ? 1 : 0;
  stats_.path.push_back({position, scene_.Speed()->GetValue(), collided, correction});
  if (media_) media_->Bind();
  ++stats_.frames;
  return position;
}

void FrameLoop::Run(int count, const std::string& folder) {
  bool pictureDue = true;
  for (int i = 0; i < count; ++i) {
    const int shownBefore = media_ ? media_->FramesShown() : 0;
    const D3DXVECTOR3 position = Frame();
    if (i % 60 == 0) pictureDue = true;
    if (media_ && pictureDue && media_->FramesShown() > shownBefore) {
      char name[32];
      std::snprintf(name, sizeof name, "texture-%03d.png", i);
      if (media_->SaveBoundTexture(folder + "/" + name)) stats_.texturePictures.push_back(name);
      pictureDue = false;
    }
    Progress(i + 1, count, position, i + 1 == count);
  }
  if (media_ && stats_.texturePictures.empty() && WaitForVideoFrame(10.0) &&
      media_->SaveBoundTexture(folder + "/texture-" + std::to_string(count) + ".png"))
    stats_.texturePictures.push_back("texture-" + std::to_string(count) + ".png");
}

bool FrameLoop::WaitForVideoFrame(double seconds) {
  if (!media_) return false;
  const double deadline = NowSeconds() + seconds;
  while (NowSeconds() < deadline) {
    if (media_->Bind()) return true;
    std::this_thread::sleep_for(std::chrono::duration<double>(1 / kFramesPerSecond));
  }
  return false;
}

void FrameLoop::Progress(int done, int count, const D3DXVECTOR3& p, bool last) const {
  static const bool terminal = isatty(STDOUT_FILENO);
  if (!terminal && done % 60 != 0 && !last) return;
  std::printf("%sframe %4d/%d  position (%7.2f %6.2f %7.2f)  speed %.3f  collisions %d  waypoint %d/%d",
              terminal ? "\r" : "", done, count, p.x, p.y, p.z, stats_.path.back().speed, stats_.collisions,
              route_.CurrentWaypoint(), route_.WaypointCount());
  if (media_) std::printf("  video frames %d", media_->FramesShown());
  if (terminal) std::printf("\x1b[K");
  if (!terminal || last) std::printf("\n");
  std::fflush(stdout);
}

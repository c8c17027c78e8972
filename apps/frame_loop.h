#pragma once
// The frames of a run, as a host drives them: each frame the route sets the "Movement
// Vector", the fast collision response is evaluated, and the media texture is bound on the
// device. Frames are paced at 60 per second unless told otherwise; progress goes to the
// terminal.

#include <optional>
#include <string>
#include <vector>

#include "apps/demo_scene.h"
#include "apps/media_feed.h"
#include "apps/path_picture.h"
#include "apps/route_script.h"

struct FrameStats {
  int frames = 0;
  int collisions = 0;
  double responseSeconds = 0;     // total time in the response's evaluation
  double slowestResponse = 0;     // the slowest single evaluation, seconds
  std::vector<PathSample> path;   // one sample per frame
  std::vector<std::string> texturePictures;
};

class FrameLoop {
 public:
  // media may be null: the frames then only evaluate the response.
  FrameLoop(HxEngine& engine, DemoScene& scene, RouteScript& route, TextureConsumer* media, bool paced);

  // One frame; returns the position it produced.
  D3DXVECTOR3 Frame();
  // Runs count frames with progress, writing a texture picture to folder once a second
  // (texture-NNN.png, NNN the frame number) when a new video frame has arrived.
  void Run(int count, const std::string& folder);
  // Keeps binding the texture, paced, until a video frame arrives or seconds pass; for
  // un-paced runs too short for the media to start. True when one arrived.
  bool WaitForVideoFrame(double seconds);
  const FrameStats& Stats() const { return stats_; }

 private:
  void Pace();
  void Progress(int done, int count, const D3DXVECTOR3& position, bool last) const;

  HxEngine& engine_;
  DemoScene& scene_;
  RouteScript& route_;
  TextureConsumer* media_;
  bool paced_;
  double startSeconds_ = 0;
  FrameStats stats_;
};

// Seconds on a steady clock.
double NowSeconds();

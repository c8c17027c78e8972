#pragma once
// Loads a saved application into a fresh host and checks that it behaves as the one that was
// saved: the same ellipsoid positions frame after frame under the same route, and the media
// texture playing again (from the file the host extracted into cache/movies).
//
// The saved data hold the settings and the Movement Position but not the response's carried
// velocity, so the loaded response starts as after a teleport. The original is put into the
// same state by a teleport to its own position before both run the compared frames.

#include <string>

#include "apps/demo_options.h"
#include "apps/demo_scene.h"
#include "apps/route_script.h"

struct ReloadReport {
  bool loaded = false;
  std::string problem;       // why loading or finding the channels failed
  int framesCompared = 0;
  int framesMatching = 0;
  float largestDifference = 0;  // between the two positions, over the compared frames
  bool mediaChecked = false;    // the application has a media texture
  bool mediaPlaying = false;    // it played, and a video frame reached its texture
  int mediaFramesShown = 0;
  std::string extractedMedia;   // the loaded channel's file name, for a file source
  bool extractedIntoCache = false;
  std::vector<std::string> messages;  // what the loaded host's sinks received

  bool Matches() const;
};

// original: the running application (its engine and channels), route: the route's state at
// the moment the file was saved. applicationDirectory: where the fresh host extracts media.
// The loaded application's frames are paced like the run's; either way the check waits a
// while for its first video frame.
ReloadReport CheckReload(const std::string& file, const std::string& applicationDirectory, DemoScene& original,
                         HxEngine& originalEngine, const RouteScript& route, int frames, bool paced);

#pragma once
// The closing summary on the terminal: frames, collisions, the response's time per frame, the
// collision objects' tree statistics, the media frames shown, the reload check, and every
// message the engines' sinks received.

#include <string>
#include <vector>

#include "apps/demo_scene.h"
#include "apps/frame_loop.h"
#include "apps/reload_check.h"

struct SummaryInput {
  const FrameStats* stats;
  const DemoScene* scene;
  const std::vector<LevelObject>* objects;  // names, in the order of scene->collisionObjects
  std::string mediaState;                   // what the media half did, one line
  int mediaFramesShown;
  const ReloadReport* reload;
  std::vector<std::string> files;           // files written
  std::vector<std::string> messages;        // sink messages of the running engine
};

void PrintSummary(const SummaryInput& input);

#include "apps/demo_summary.h"

#include <cstdio>

namespace {

void PrintTree(const std::string& name, Kv_DX8_CollisionObject* c) {
  std::printf("  %-8s valid %s, depth %d, %d nodes, %d bytes, average leaf %d polygons, built in %d ms\n",
              name.c_str(), c->GetIfValidTree() ? "yes" : "no", c->GetTreeDepth(), c->GetTreeNodeCount(),
              c->GetTreeMemorySize(), c->GetAvarageLeafPolyCount(), c->GetCreationTime());
}

void PrintReload(const ReloadReport& r) {
  if (!r.loaded) {
    std::printf("reload            FAILED: %s\n", r.problem.c_str());
    return;
  }
  std::printf("reload            %d of %d frames at the same position (largest difference %.2g)\n", r.framesMatching,
              r.framesCompared, r.largestDifference);
  if (r.mediaChecked) {
    std::printf("                  media %s, %d video frames shown", r.mediaPlaying ? "playing" : "NOT playing",
                r.mediaFramesShown);
    if (!r.extractedMedia.empty())
      std::printf(", from %s%s", r.extractedMedia.c_str(), r.extractedIntoCache ? "" : " (NOT in cache/movies)");
    std::printf("\n");
  }
  std::printf("                  %s\n", r.Matches() ? "the reloaded application behaves as the saved one"
                                                     : "MISMATCH: the reloaded application behaves differently");
}

}  // namespace

void PrintSummary(const SummaryInput& in) {
  const FrameStats& s = *in.stats;
  std::printf("\nsummary\n");
  std::printf("frames            %d\n", s.frames);
  std::printf("collisions        %d frames with a collision\n", s.collisions);
  if (s.frames > 0)
    std::printf("response time     %.1f us per frame on average, %.1f us at most\n",
                1e6 * s.responseSeconds / s.frames, 1e6 * s.slowestResponse);
  std::printf("collision trees\n");
  for (std::size_t i = 0; i < in.scene->collisionObjects.size(); ++i)
    PrintTree(i < in.objects->size() ? (*in.objects)[i].name : "object", in.scene->collisionObjects[i]);
  std::printf("media             %s; %d video frames shown\n", in.mediaState.c_str(), in.mediaFramesShown);
  PrintReload(*in.reload);
  std::printf("files\n");
  for (const std::string& f : in.files) std::printf("  %s\n", f.c_str());
  std::vector<std::string> messages = in.messages;
  messages.insert(messages.end(), in.reload->messages.begin(), in.reload->messages.end());
  std::printf("messages          %s\n", messages.empty() ? "none" : "");
  for (const std::string& m : messages) std::printf("  %s\n", m.c_str());
}

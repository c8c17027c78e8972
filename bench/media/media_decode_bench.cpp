// Un-throttled decoding of a generated 1080p H.264 file through the filter graph (splitter,
// video decoder, colour converter, a null 24-bit RGB renderer) against FFmpeg alone decoding
// and converting the same file to bgr24, alternating in one run.
//
//   bench_media_decode [file [graph|reference]]
// The file is made once with the ffmpeg tool in the build tree when none is given; naming
// one side runs only that side, once, for profiling.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/utsname.h>
#include <thread>

#include "bench/media/reference_decode.h"
#include "platform/dshow/base/renderer.h"
#include "platform/dshow/default_renderers.h"
#include "platform/dshow/ffmpeg/ffmpeg_filters.h"

namespace {

constexpr int kRounds = 7;

constexpr CLSID CLSID_NullRgbRenderer{
    0x9B2E4A70, 0x13C6, 0x4F8B, {0xA5, 0x7D, 0x40, 0xE1, 0x2C, 0x9F, 0x86, 0x3B}};

// Takes 24-bit RGB and discards it; counts what it was given.
class NullRgbRenderer : public CBaseVideoRenderer {
 public:
  NullRgbRenderer() : CBaseVideoRenderer(CLSID_NullRgbRenderer, "null rgb renderer", nullptr, nullptr) {}
  HRESULT CheckMediaType(const CMediaType* mt) override {
    return mt->majortype == MEDIATYPE_Video && mt->subtype == MEDIASUBTYPE_RGB24 && mt->VideoInfo()
               ? S_OK
               : E_FAIL;
  }
  HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }
};

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComPtr<IEnumPins> pins;
  filter->EnumPins(pins.put());
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    auto held = ComPtr<IPin>::Adopt(pin);
    PIN_DIRECTION d;
    pin->QueryDirection(&d);
    if (d == direction) return held;
  }
  return {};
}

DecodeRun GraphDecode(const std::string& path) {
  DecodeRun run;
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = ProcessCpuSeconds();
  ComPtr<IGraphBuilder> graph;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(graph.put()))))
    return run;
  const std::u16string url(path.begin(), path.end());
  if (graph->RenderFile(url.c_str(), nullptr) != S_OK) return run;
  ComPtr<IBaseFilter> video;
  if (graph->FindFilterByName(kVideoRendererName, video.put()) != S_OK) return run;
  ComPtr<IPin> in = FirstPin(video.get(), PINDIR_INPUT);
  ComPtr<IPin> upstream;
  in->ConnectedTo(upstream.put());
  graph->Disconnect(in.get());
  graph->Disconnect(upstream.get());
  graph->RemoveFilter(video.get());
  auto* renderer = new NullRgbRenderer();
  ComPtr<IBaseFilter> held(renderer);
  graph->AddFilter(renderer, u"Null Renderer");
  if (graph->Connect(upstream.get(), FirstPin(renderer, PINDIR_INPUT).get()) != S_OK) return run;
  graph.As<IMediaFilter>(IID_IMediaFilter)->SetSyncSource(nullptr);
  auto control = graph.As<IMediaControl>(IID_IMediaControl);
  auto events = graph.As<IMediaEvent>(IID_IMediaEvent);
  if (FAILED(control->Run())) return run;
  LONG code = 0;
  run.ok = events->WaitForCompletion(600000, &code) == S_OK && code == EC_COMPLETE;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpuSeconds = ProcessCpuSeconds() - cpuStart;
  run.frames = static_cast<int>(renderer->FramesRendered());
  control->Stop();
  return run;
}

std::string MakeFile() {
  const std::filesystem::path path = std::filesystem::path(CORVANE_BENCH_MEDIA_DIR) / "decode_1080p.mp4";
  if (std::filesystem::exists(path)) return path.string();
  std::filesystem::create_directories(path.parent_path());
  const std::filesystem::path partial = path.string() + ".partial.mp4";
  const std::string command = std::string(CORVANE_FFMPEG_TOOL) +
                              " -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=12"
                              " -c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p '" +
                              partial.string() + "'";
  std::printf("making %s ...\n", path.c_str());
  std::fflush(stdout);
  if (std::system(command.c_str()) != 0) return {};
  std::filesystem::rename(partial, path);
  return path.string();
}

void Print(const char* name, const DecodeRun& run, const DecodeRun& reference) {
  const double fps = run.frames / run.seconds;
  const double perCpu = run.frames / run.cpuSeconds;
  std::printf("| %-34s | %6d | %7.2f | %7.1f | %5.2fx | %7.2f | %7.1f | %5.2fx |\n", name,
              run.frames, run.seconds, fps, fps / (reference.frames / reference.seconds),
              run.cpuSeconds, perCpu, perCpu / (reference.frames / reference.cpuSeconds));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : MakeFile();
  if (path.empty()) {
    std::fprintf(stderr, "no media to decode\n");
    return 1;
  }
  RegisterFfmpegFilters();
  CoInitialize(nullptr);
  if (argc > 2) {
    const std::string side = argv[2];
    const DecodeRun run = side == "graph" ? GraphDecode(path) : ReferenceDecode(path);
    std::printf("%s: %d frames in %.2f s (%.2f s of CPU), %.1f fps\n", side.c_str(), run.frames,
                run.seconds, run.cpuSeconds, run.frames / run.seconds);
    CoUninitialize();
    return run.ok ? 0 : 1;
  }
  // Alternate the two so that neither gets a warmer cache or a quieter machine.
  DecodeRun bestReference, bestGraph;
  for (int round = 0; round < kRounds; ++round) {
    const DecodeRun reference = ReferenceDecode(path);
    const DecodeRun graph = GraphDecode(path);
    if (!reference.ok || !graph.ok || reference.frames != graph.frames) {
      std::fprintf(stderr, "decode failed: reference %d frames, graph %d frames\n",
                   reference.frames, graph.frames);
      CoUninitialize();
      return 1;
    }
    auto better = [](const DecodeRun& a, const DecodeRun& b) { return a.seconds < b.seconds; };
    if (round == 0 || better(reference, bestReference)) bestReference = reference;
    if (round == 0 || better(graph, bestGraph)) bestGraph = graph;
    bestReference.cpuSeconds = std::min(bestReference.cpuSeconds, reference.cpuSeconds);
    bestGraph.cpuSeconds = std::min(bestGraph.cpuSeconds, graph.cpuSeconds);
  }
  CoUninitialize();

  utsname machine{};
  uname(&machine);
  std::printf("%s, %s %s, %u hardware threads; best of %d alternating rounds (wall clock and\n"
              "CPU time of all threads, each side's least)\n\n", path.c_str(),
              machine.sysname, machine.machine, std::thread::hardware_concurrency(), kRounds);
  std::printf("| %-34s | %6s | %7s | %7s | %6s | %7s | %7s | %6s |\n",
              "decode 1080p H.264 to 24-bit RGB", "frames", "seconds", "fps", "ratio",
              "CPU s", "fps/CPU", "ratio");
  std::printf("|%s|%s|%s|%s|%s|%s|%s|%s|\n", std::string(36, '-').c_str(),
              std::string(8, '-').c_str(), std::string(9, '-').c_str(),
              std::string(9, '-').c_str(), std::string(8, '-').c_str(),
              std::string(9, '-').c_str(), std::string(9, '-').c_str(),
              std::string(8, '-').c_str());
  Print("FFmpeg alone (libraries, bgr24)", bestReference, bestReference);
  Print("filter graph, null RGB24 renderer", bestGraph, bestReference);
  const double reference = bestReference.frames / bestReference.seconds;
  return bestGraph.frames / bestGraph.seconds >= 0.9 * reference ? 0 : 2;
}

// Measures frame grabbing end to end: a 1920x1080 YUY2 test source at 30 frames per
// second, run unthrottled, through conversion to blue-green-red, the grabber's one
// copy and the delivery on the UI thread, with a handler that only re-arms. Ends
// with the line "DELIVERED_FPS <n> CPU_MS_PER_FRAME <n>"; the CPU time counts the
// whole process, test source included, over the delivered frames.
// Before that, Google Benchmark times the grabber's copy of one frame on its own, and
// its conversion of one I420 frame.

#include "capture/capture_graph.h"
#include "capture/sample_grabber_cb.h"
#include "capture/video_source.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

void BM_GrabberCopy1080p(benchmark::State& state) {
  QImage sample(1920, 1080, QImage::Format_BGR888);
  sample.fill(Qt::darkCyan);
  TSampleGrabberCB callback;
  for (auto _ : state) {
    callback.setArmed(true);
    callback.BufferCB(sample);
    benchmark::DoNotOptimize(callback.frameSize());
  }
  state.SetBytesProcessed(state.iterations() * sample.sizeInBytes());
}
BENCHMARK(BM_GrabberCopy1080p);

// The grabber's conversion of a decoder's 1920x1080 I420 frame into the bitmap.
void BM_GrabberConvertI4201080p(benchmark::State& state) {
  constexpr int kWidth = 1920;
  constexpr int kHeight = 1080;
  std::vector<std::uint8_t> luma(std::size_t{kWidth} * kHeight, 120);
  std::vector<std::uint8_t> chroma(std::size_t{kWidth / 2} * (kHeight / 2), 100);
  VideoSample sample;
  sample.layout = VideoSample::Layout::I420;
  sample.width = kWidth;
  sample.height = kHeight;
  sample.planes[0] = luma.data();
  sample.planes[1] = chroma.data();
  sample.planes[2] = chroma.data();
  sample.strides[0] = kWidth;
  sample.strides[1] = kWidth / 2;
  sample.strides[2] = kWidth / 2;
  TSampleGrabberCB callback;
  for (auto _ : state) {
    callback.setArmed(true);
    callback.BufferCB(sample);
    benchmark::DoNotOptimize(callback.frameSize());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GrabberConvertI4201080p);

class NoPrompts final : public Prompts {
 public:
  Answer messageBox(const Message& message) override {
    std::fprintf(stderr, "%s: %s\n", qPrintable(message.caption), qPrintable(message.text));
    return Answer::Ok;
  }
  void beep() override {}
};

// The handler that only re-arms, counting what reaches it.
class Counter final : public CaptureGraph {
 public:
  using CaptureGraph::CaptureGraph;
  long delivered = 0;
  long rendered = 0;

 protected:
  void captureEvent(CaptureEvent event) override {
    if (event == CaptureEvent::FrameRendered) {
      ++rendered;
      GrabNextBitmap();
    }
  }
  void bitmapGrabbed(const FrameBitmap&) override { ++delivered; }
};

double processCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void runFor(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  QCoreApplication app(argc, argv);
  setVideoSources({{"Bars", "test:smpte"}});
  NoPrompts prompts;
  Counter capture(prompts);
  capture.setRendererSync(false);
  TGraphConfig config;
  config.WantPreview = true;
  config.WantBitmaps = true;
  config.VideoDeviceName = "Bars";
  config.VideoFormat.SubType = "YUY2";
  config.VideoFormat.Width = 1920;
  config.VideoFormat.Height = 1080;
  config.VideoFormat.BitCount = 16;
  capture.SetGraphConfig(config);
  if (!capture.Previewing() || VideoFormatToText(capture.GetCurrentVideoFormat()) != "1920x1080x16b (YUY2)") {
    std::fprintf(stderr, "the 1920x1080 YUY2 test source did not start\n");
    return 1;
  }
  runFor(1000);  // warm-up
  const long deliveredBefore = capture.delivered;
  const long renderedBefore = capture.rendered;
  const double cpuBefore = processCpuMilliseconds();
  QElapsedTimer wall;
  wall.start();
  runFor(5000);
  const double seconds = wall.elapsed() / 1000.0;
  const double cpu = processCpuMilliseconds() - cpuBefore;
  const long delivered = capture.delivered - deliveredBefore;
  const long rendered = capture.rendered - renderedBefore;
  capture.StopPreview();
  std::printf("frames through the grabber: %.1f per second, delivered: %.1f per second\n", rendered / seconds,
              delivered / seconds);
  std::printf("DELIVERED_FPS %.1f CPU_MS_PER_FRAME %.2f\n", delivered / seconds,
              delivered ? cpu / delivered : 0.0);
  return 0;
}

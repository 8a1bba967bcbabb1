// Colour reduction speed: QuantizeFrames, DitherToPalette and RemapToPalette on 60 frames
// of 640 x 480 photograph-like content, each beside the plain reference implementation
// measured in the same run. After the usual table, a summary gives Mpixel/s for each and
// its ratio to the reference.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "framework/dib_view.h"
#include "framework/dither.h"
#include "framework/quantize.h"
#include "framework/remap.h"
#include "samples/scenes.h"
#include "tests/colour/colour_reference.h"

namespace {

constexpr int kFrames = 60;
constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr int32_t kPan = 6;  // pixels the camera moves per frame

// The frames of one animation: a camera panning across a wide landscape, so consecutive
// frames share most of their content but no two are the same. The palette is the
// quantizer's, sorted as the build sorts it.
struct Animation {
  FrameList frames;
  RgbPalette palette{};
  int colours = 256;

  Animation() {
    DibImage scene = RenderScene(kWidth + kPan * kFrames, kHeight, 2024);
    DibView wide(scene);
    for (int f = 0; f < kFrames && wide.ok(); ++f) {
      DibImage frame = CreateDibImage(kWidth, kHeight, nullptr, 24);
      DibView view(frame);
      for (int32_t row = 0; row < kHeight; ++row)
        std::memcpy(view.storedRow(row), wide.storedRow(row) + 3 * kPan * f, 3 * kWidth);
      AppendFrame(&frames, frame, 10);
    }
    FreeDibImage(scene);
    QuantizeFrames(&colours, &palette, &frames);
    SortPaletteByLuminance(&palette, colours, 1);
  }
  ~Animation() { FreeFrameList(&frames); }
  DibImage Frame(int i) const {
    FrameEntry entry{};
    ReadFrameEntry(&frames, i, &entry);
    return entry.image;
  }
};

const Animation& TheAnimation() {
  static Animation animation;
  return animation;
}

void CountPixels(benchmark::State& state) {
  state.counters["pixels"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kFrames * kWidth * kHeight, benchmark::Counter::kIsRate);
}

template <int (*Quantize)(int*, RgbPalette*, const FrameList*)>
void Quantizing(benchmark::State& state) {
  const Animation& animation = TheAnimation();
  for (auto _ : state) {
    RgbPalette palette;
    int count = 256;
    benchmark::DoNotOptimize(Quantize(&count, &palette, &animation.frames));
  }
  CountPixels(state);
}

using Reduction = DibImage (*)(DibImage, const RgbPalette*, int, int, const ColourSettings&);

template <Reduction Reduce>
void Reducing(benchmark::State& state) {
  const Animation& animation = TheAnimation();
  ColourSettings settings;
  settings.fastRemap = static_cast<int32_t>(state.range(0));
  const int bits = BitsForColourCount(animation.colours);
  for (auto _ : state)
    for (int f = 0; f < kFrames; ++f)
      FreeDibImage(Reduce(animation.Frame(f), &animation.palette, bits, animation.colours, settings));
  CountPixels(state);
}

// Prints, after the usual table, each operation's rate and its ratio to the reference.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      auto rate = run.counters.find("pixels");
      if (rate != run.counters.end() && run.run_type == Run::RT_Iteration)
        rates_[run.run_name.function_name + "/" + run.run_name.args] = rate->second.value / 1e6;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-32s %12s %12s %8s\n", "operation", "Mpixel/s", "reference", "ratio");
    std::printf("%-32s %12s %12s %8s\n", "", "", "Mpixel/s", "");
    for (const auto& [name, rate] : rates_) {
      std::string::size_type at = name.find("/real");
      if (at == std::string::npos) continue;
      std::string referenceName = name.substr(0, at) + "/reference" + name.substr(at + 5);
      auto reference = rates_.find(referenceName);
      if (reference == rates_.end()) continue;
      std::string label = name.substr(0, at) + (at + 5 < name.size() ? " " + name.substr(at + 6) : "");
      std::printf("%-32s %12.1f %12.2f %7.1fx\n", label.c_str(), rate, reference->second,
                  rate / reference->second);
    }
  }

 private:
  std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // The reference is slow: one pass over the 60 frames is its measurement.
  benchmark::RegisterBenchmark("QuantizeFrames/real", Quantizing<QuantizeFrames>)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("QuantizeFrames/reference", Quantizing<reference::QuantizeFrames>)
      ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
  benchmark::RegisterBenchmark("DitherToPalette/real", Reducing<DitherToPalette>)
      ->ArgName("FastRemap")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("DitherToPalette/reference", Reducing<reference::DitherToPalette>)
      ->ArgName("FastRemap")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
  benchmark::RegisterBenchmark("RemapToPalette/real", Reducing<RemapToPalette>)
      ->ArgName("FastRemap")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("RemapToPalette/reference", Reducing<reference::RemapToPalette>)
      ->ArgName("FastRemap")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

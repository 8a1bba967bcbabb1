// Colour reduction speed: QuantizeFrames, DitherToPalette and RemapToPalette on 60 frames
// of 640 x 480 photograph-like content, each beside the plain reference implementation
// measured in the same run. After the usual table, a summary gives Mpixel/s for each and
// its ratio to the reference, then each operation on all the machine's threads (as a
// build shares it: the quantizer's rows, one frame per thread for the reductions) beside
// the same operation on one thread, with the speed-up. The shared results are checked
// to be the same bytes as the one-thread results before anything is timed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "framework/dib_view.h"
#include "framework/dither.h"
#include "framework/parallel.h"
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
    {
      DibView wide(scene);  // closed before the scene is freed
      for (int f = 0; f < kFrames && wide.ok(); ++f) {
        DibImage frame = CreateDibImage(kWidth, kHeight, nullptr, 24);
        {
          DibView view(frame);
          for (int32_t row = 0; row < kHeight; ++row)
            std::memcpy(view.storedRow(row), wide.storedRow(row) + 3 * kPan * f, 3 * kWidth);
        }
        AppendFrame(&frames, frame, 10);
      }
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

int QuantizeOnOneThread(int* count, RgbPalette* palette, const FrameList* frames) {
  return QuantizeFrames(count, palette, frames);
}

// The quantizer as a build runs it, on state.range(0) threads.
void QuantizingOnThreads(benchmark::State& state) {
  const Animation& animation = TheAnimation();
  const int threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    RgbPalette palette;
    int count = 256;
    benchmark::DoNotOptimize(QuantizeFrames(&count, &palette, &animation.frames, threads));
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

// The frames reduced as a build reduces them: one frame per thread, on state.range(1)
// threads, FastRemap from state.range(0).
template <Reduction Reduce>
void ReducingOnThreads(benchmark::State& state) {
  const Animation& animation = TheAnimation();
  ColourSettings settings;
  settings.fastRemap = static_cast<int32_t>(state.range(0));
  const int threads = static_cast<int>(state.range(1));
  const int bits = BitsForColourCount(animation.colours);
  for (auto _ : state)
    ParallelFor(threads, kFrames, [&](int32_t f, int) {
      FreeDibImage(Reduce(animation.Frame(f), &animation.palette, bits, animation.colours, settings));
      return true;
    });
  CountPixels(state);
}

std::vector<uint8_t> ImageBytes(DibImage image) {
  DibView view(image);
  if (!view.ok()) return {};
  return std::vector<uint8_t>(view.pixels(), view.pixels() + static_cast<size_t>(view.stride()) * view.height());
}

// The shared work gives the one-thread bytes: the palette, and every reduced frame.
bool SharedResultsMatch(int threads) {
  const Animation& animation = TheAnimation();
  RgbPalette one, many;
  int oneCount = 256, manyCount = 256;
  if (!QuantizeFrames(&oneCount, &one, &animation.frames, 1) ||
      !QuantizeFrames(&manyCount, &many, &animation.frames, threads) || oneCount != manyCount ||
      std::memcmp(&one, &many, sizeof one) != 0)
    return false;
  const int bits = BitsForColourCount(animation.colours);
  for (Reduction reduce : {&DitherToPalette, &RemapToPalette}) {
    std::vector<std::vector<uint8_t>> single(kFrames), shared(kFrames);
    ColourSettings settings;
    for (int f = 0; f < kFrames; ++f) {
      DibImage image = reduce(animation.Frame(f), &animation.palette, bits, animation.colours, settings);
      single[f] = ImageBytes(image);
      FreeDibImage(image);
    }
    ParallelFor(threads, kFrames, [&](int32_t f, int) {
      DibImage image = reduce(animation.Frame(f), &animation.palette, bits, animation.colours, settings);
      shared[f] = ImageBytes(image);
      FreeDibImage(image);
      return true;
    });
    if (single != shared) return false;
  }
  return true;
}

// Prints, after the usual table, each operation's rate and its ratio to the reference,
// then each threaded operation's rate beside its one-thread rate.
bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

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
    std::printf("\n%-48s %12s %12s %8s\n", "operation on threads", "Mpixel/s", "one thread", "speed-up");
    for (const auto& [name, rate] : rates_) {
      std::string::size_type at = name.find("/threads:");
      if (at == std::string::npos || name.compare(at, 11, "/threads:1/") == 0 || EndsWith(name, "/threads:1"))
        continue;
      std::string::size_type end = name.find('/', at + 1);
      std::string oneName = name.substr(0, at) + "/threads:1" + (end == std::string::npos ? "" : name.substr(end));
      auto one = rates_.find(oneName);
      if (one == rates_.end()) continue;
      std::printf("%-48s %12.1f %12.1f %7.2fx\n", name.c_str(), rate, one->second, rate / one->second);
    }
  }

 private:
  std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // The reference is slow: one pass over the 60 frames is its measurement.
  benchmark::RegisterBenchmark("QuantizeFrames/real", Quantizing<QuantizeOnOneThread>)
      ->Unit(benchmark::kMillisecond)->UseRealTime();
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
  // The machine's threads against one, registered in turns so that a change in the
  // machine's load during the run touches both alike.
  const int threads = BuildThreadCount();
  if (!SharedResultsMatch(threads > 1 ? threads : 2)) {
    std::fprintf(stderr, "bench_colour: the shared work does not give the one-thread bytes\n");
    return 1;
  }
  for (int n : {1, threads}) {
    benchmark::RegisterBenchmark("QuantizeFrames/shared", QuantizingOnThreads)
        ->ArgName("threads")->Arg(n)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("DitherToPalette/shared", ReducingOnThreads<DitherToPalette>)
        ->ArgNames({"FastRemap", "threads"})->Args({1, n})->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("RemapToPalette/shared", ReducingOnThreads<RemapToPalette>)
        ->ArgNames({"FastRemap", "threads"})->Args({1, n})->Unit(benchmark::kMillisecond)->UseRealTime();
    if (threads == 1) break;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

#include "host/memory_estimate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Room for the program, the plug-in, the quantizer's tables and the file writers.
constexpr uint64_t kFixedMargin = uint64_t{16} << 20;

// The values of a run's effect options, as the effect's frame rule reads them.
class PlanValues : public OptionValues {
 public:
  PlanValues(const EffectRow& row, const RunPlan& plan) : row_(row), plan_(plan) {}

  // The number given for an effect option, or its built-in value.
  long number(const char* name) const override {
    long value = -1;
    for (const auto& [given, number] : plan_.numbers)
      if (given == name) value = number;
    if (value >= 0) return value;
    for (size_t i = 0; i < row_.optionCount; ++i)
      if (std::strcmp(row_.options[i].name, name) == 0) return std::atol(row_.options[i].defaultText);
    return 0;
  }

 private:
  const EffectRow& row_;
  const RunPlan& plan_;
};

}  // namespace

PictureSize FittedSize(PictureSize picture, int fitWidth, int fitHeight) {
  if (fitWidth <= 0 || fitHeight <= 0 || (picture.width <= fitWidth && picture.height <= fitHeight)) return picture;
  double scale = std::min(static_cast<double>(fitWidth) / picture.width, static_cast<double>(fitHeight) / picture.height);
  PictureSize fitted;
  fitted.width = std::clamp(static_cast<int>(std::lround(picture.width * scale)), 1, fitWidth);
  fitted.height = std::clamp(static_cast<int>(std::lround(picture.height * scale)), 1, fitHeight);
  return fitted;
}

bool EstimateBuildMemory(const EffectRow& row, const RunPlan& plan, const std::vector<PictureSize>& given,
                         MemoryEstimate* estimate) {
  std::vector<PictureSize> pictures;
  for (const PictureSize& p : given) pictures.push_back(FittedSize(p, plan.fitWidth, plan.fitHeight));
  int width = 0, height = 0;
  uint64_t pictureBytes = 0;
  for (const PictureSize& p : pictures) {
    width = std::max(width, p.width);
    height = std::max(height, p.height);
    pictureBytes += 2 * 3 * static_cast<uint64_t>(p.width) * static_cast<uint64_t>(p.height);
  }
  BuildExtent extent;
  if (!row.manifest || !row.manifest->frames.extent ||
      !row.manifest->frames.extent(PlanValues(row, plan), pictures.size(), width, height, &extent))
    return false;
  uint64_t frameBytes = 3 * static_cast<uint64_t>(extent.width) * static_cast<uint64_t>(extent.height);
  uint64_t bytes = static_cast<uint64_t>(extent.frames) * frameBytes;
  // True-colour frames: the host keeps its own copy of every frame.
  if (plan.trueColour == 1 || plan.wantsTrueColour) bytes *= 2;
  estimate->bytes = bytes + pictureBytes + kFixedMargin;
  estimate->frames = extent.frames;
  estimate->width = extent.width;
  estimate->height = extent.height;
  return true;
}

std::string DescribeBytes(uint64_t bytes) {
  char text[32];
  double mib = static_cast<double>(bytes) / (1 << 20);
  if (mib >= 1024) std::snprintf(text, sizeof text, "%.1f GB", mib / 1024);
  else std::snprintf(text, sizeof text, "%.0f MB", std::ceil(mib));
  return text;
}

std::string ExplainTooLarge(const EffectRow& row, const RunPlan& plan, const std::vector<PictureSize>& pictures,
                            const MemoryEstimate& estimate, uint64_t limit, bool limitFromOption) {
  std::string text = std::string(row.name) + " would need about " + DescribeBytes(estimate.bytes) + " (" +
                     std::to_string(estimate.frames) + " frames of " + std::to_string(estimate.width) + " x " +
                     std::to_string(estimate.height) + "), more than the " + DescribeBytes(limit) +
                     (limitFromOption ? " allowed by --max-memory" : " of memory available") + ". Ways out:";
  // The largest --fit, in steps of a twentieth, whose estimate leaves a quarter of the
  // limit for the rest of the machine (an estimate is no promise), and whose pictures
  // the effect still takes.
  if (!pictures.empty() && row.sources != SourceKind::None) {
    const int smallest = row.manifest ? row.manifest->smallestPictureSide : 0;
    int width = 0, height = 0;
    for (const PictureSize& p : pictures) {
      PictureSize f = FittedSize(p, plan.fitWidth, plan.fitHeight);
      width = std::max(width, f.width);
      height = std::max(height, f.height);
    }
    for (int twentieths = 19; twentieths >= 1; --twentieths) {
      RunPlan smaller = plan;
      smaller.fitWidth = std::max(1, width * twentieths / 20);
      smaller.fitHeight = std::max(1, height * twentieths / 20);
      if (std::min(smaller.fitWidth, smaller.fitHeight) < smallest) break;
      MemoryEstimate e;
      if (EstimateBuildMemory(row, smaller, pictures, &e) && e.bytes <= limit / 4 * 3) {
        text += "\n  --fit " + std::to_string(smaller.fitWidth) + "x" + std::to_string(smaller.fitHeight) +
                " scales the pictures down to fit inside that size (about " + DescribeBytes(e.bytes) + ")";
        break;
      }
    }
  }
  if (row.manifest && row.manifest->frames.waysOut) row.manifest->frames.waysOut(PlanValues(row, plan), &text);
  if (plan.trueColour == 1) text += "\n  leaving --truecolour off halves the frames' memory";
  else if (plan.wantsTrueColour)
    text += "\n  --plugin-colours (the plug-in's own colours, not true-colour frames) halves the frames' memory";
  text += "\n  --max-memory SIZE to allow more (at your own risk)";
  return text;
}

std::string LargeOutputNote(const RunPlan& plan, const MemoryEstimate& estimate) {
  if (plan.output.empty()) return "";
  const bool threeBytes = IsPngName(plan.output) || (IsWebpName(plan.output) && plan.webpQuality < 0);
  const uint64_t pixels = static_cast<uint64_t>(estimate.frames) * estimate.width * estimate.height;
  const uint64_t bytes = pixels * (threeBytes ? 3 : 1);
  if (bytes <= kLargeOutputBytes) return "";
  std::string text = std::to_string(estimate.frames) + " frames of " + std::to_string(estimate.width) + " x " +
                     std::to_string(estimate.height) + " hold " + DescribeBytes(bytes) + " of pixels, and " +
                     plan.output + " may pass " + DescribeBytes(kLargeOutputBytes);
  // The area shrinks with the square of the scale; a little below it, as frame sizes
  // round up.
  const double scale = 0.98 * std::sqrt(static_cast<double>(kLargeOutputBytes) / bytes);
  const int width = static_cast<int>(estimate.width * scale), height = static_cast<int>(estimate.height * scale);
  if (!plan.pictures.empty() && width > 0 && height > 0)
    text += "; --fit " + std::to_string(width) + "x" + std::to_string(height) + " or fewer frames make it smaller";
  else
    text += "; fewer frames make it smaller";
  return text;
}

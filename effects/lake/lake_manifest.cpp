#include "effects/lake/lake_manifest.h"

bool LakeBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out) {
  if (pictures == 0) return false;
  // The picture above its reflection (the estimate does not count on --reflection-only).
  *out = BuildExtent{values.number("frames"), width, height * 2};
  return true;
}

void LakeWaysOut(const OptionValues& values, std::string* text) {
  *text += "\n  fewer --frames (now " + std::to_string(values.number("frames")) + ")";
}

#include "effects/lens/lens_manifest.h"

bool LensBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out) {
  if (pictures == 0) return false;
  *out = BuildExtent{values.number("steps"), width, height};
  return true;
}

void LensWaysOut(const OptionValues& values, std::string* text) {
  *text += "\n  fewer --steps (now " + std::to_string(values.number("steps")) + ")";
}

#include "effects/pyrotechnics/pyrotechnics_manifest.h"

// The size comes from the options alone (there are no pictures); the animation lasts at
// most the energy and two frames.
bool PyrotechnicsBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out) {
  *out = BuildExtent{values.number("energy") + 2, static_cast<int>(values.number("width")),
                     static_cast<int>(values.number("height"))};
  return true;
}

void PyrotechnicsWaysOut(const OptionValues& values, std::string* text) {
  *text += "\n  a smaller --width and --height, or a lower --energy (fewer frames)";
}

#include "effects/pagecurl/pagecurl_manifest.h"

#include <algorithm>
#include <cmath>

bool PageCurlBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out) {
  if (pictures == 0) return false;
  // A transition ends when the curl has uncovered the next picture: within about 1.8
  // times the two sides together, in steps. One picture peels from and back to a sheet.
  long step = std::max(1L, values.number("step"));
  long transitions = pictures == 1 ? 2 : static_cast<long>(pictures);
  *out = BuildExtent{transitions * (static_cast<long>(std::ceil(1.8 * (width + height) / step)) + 1), width, height};
  return true;
}

void PageCurlWaysOut(const OptionValues& values, std::string* text) {
  *text += "\n  a larger --step (now " + std::to_string(values.number("step")) + ", up to " +
           std::to_string(FindOption(kPageCurlOptions, "step").maximum) + ") makes fewer frames; so do fewer pictures";
}

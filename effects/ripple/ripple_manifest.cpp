#include "effects/ripple/ripple_manifest.h"

namespace {

// A Ripple animation ends when its water has calmed; this many frames is taken as the
// most it makes.
constexpr long kRippleFrameBound = 200;

}  // namespace

bool RippleBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out) {
  if (pictures == 0) return false;
  *out = BuildExtent{kRippleFrameBound, width, height};
  return true;
}

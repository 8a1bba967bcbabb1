// The Ripple plug-in library's one effect.
#include "effects/ripple/ripple_effect.h"

Effect& PluginEffect() {
  static RippleEffect effect;
  return effect;
}

// The Lens plug-in library's one effect.
#include "effects/lens/lens_effect.h"

Effect& PluginEffect() {
  static LensEffect effect;
  return effect;
}

// The Pyrotechnics plug-in library's one effect.
#include "effects/pyrotechnics/pyrotechnics_effect.h"

Effect& PluginEffect() {
  static PyrotechnicsEffect effect;
  return effect;
}

// The Lake plug-in library's one effect.
#include "effects/lake/lake_effect.h"

Effect& PluginEffect() {
  static LakeEffect effect;
  return effect;
}

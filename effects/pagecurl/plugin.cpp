// The Page Curl plug-in library's one effect.
#include "effects/pagecurl/pagecurl_effect.h"

Effect& PluginEffect() {
  static PageCurlEffect effect;
  return effect;
}

// The Frames effect linked into the host as its one built-in plug-in: the same exports
// and dialog front end as a plug-in library, called directly.
#include "host/frames_effect.h"
#include "host/plugin_session.h"

Effect& PluginEffect() {
  static FramesEffect effect;
  return effect;
}

PluginExports BuiltInExports() {
  PluginExports exports;
  exports.entryPoint = &DllEntryPoint;
  exports.getParams = &PLUGINGetPluginParams;
  exports.doBuild = &PLUGINDoBuild;
  return exports;
}

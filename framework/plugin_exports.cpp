// The three exports of every plug-in library.
#include <cstring>

#include "framework/effect.h"
#include "framework/host_interface.h"
#include "framework/plugin_dialog.h"
#include "platform/resources.h"

PLUGIN_EXPORT int PLUGIN_API DllEntryPoint(void* module, uint32_t reason, void* reserved) {
  platform::SetCurrentModule(module);
  return 1;
}

PLUGIN_EXPORT int PLUGIN_API PLUGINGetPluginParams(PluginDescription* description, void* unused) {
  const EffectDescription& info = PluginEffect().description();
  uint32_t size = description->size;
  std::memset(description, 0, size);
  description->size = size;
  description->version = kInterfaceVersion;
  std::strncpy(description->name, info.manifest.title, kRecordTextSize - 1);
  std::strcpy(reinterpret_cast<char*>(description) + kDescriptionNoticeOffset, info.notice);
  return 1;
}

PLUGIN_EXPORT int PLUGIN_API PLUGINDoBuild(WindowHandle owner, const HostBuildRecord* host, void* unused) {
  RunPluginDialog(owner, host, PluginEffect());
  return 1;
}

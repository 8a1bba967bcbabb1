// Resources for Windows: the real resource functions on the current module.
#include <windows.h>

#include "platform/resources.h"

namespace platform {
namespace {
ModuleHandle g_module = nullptr;

HMODULE Module() { return static_cast<HMODULE>(g_module); }

bool FindTyped(LPCSTR name, LPCSTR type, ResourceBytes* out) {
  HRSRC info = FindResourceA(Module(), name, type);
  if (!info) return false;
  HGLOBAL loaded = LoadResource(Module(), info);
  if (!loaded) return false;
  const void* data = LockResource(loaded);
  if (!data) return false;
  *out = {static_cast<const unsigned char*>(data), SizeofResource(Module(), info)};
  return true;
}
}  // namespace

void SetCurrentModule(ModuleHandle module) { g_module = module; }
ModuleHandle CurrentModule() { return g_module; }

bool FindRawData(const char* name, ResourceBytes* out) { return FindTyped(name, RT_RCDATA, out); }

bool FindBitmapData(unsigned id, ResourceBytes* out) {
  return FindTyped(MAKEINTRESOURCEA(id), RT_BITMAP, out);
}

bool FindDialogTemplate(unsigned id, ResourceBytes* out) {
  return FindTyped(MAKEINTRESOURCEA(id), RT_DIALOG, out);
}

int LoadStringResource(unsigned id, char* buffer, int bufferSize) {
  if (!buffer || bufferSize <= 0) return 0;
  buffer[0] = '\0';
  return LoadStringA(Module(), id, buffer, bufferSize);
}

}  // namespace platform

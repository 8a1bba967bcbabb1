// The DLL's entry point as the C runtime calls it: hands over to DllEntryPoint, which
// keeps the module handle for every later resource access.
#include <windows.h>

#include "framework/host_interface.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  return DllEntryPoint(module, reason, reserved);
}

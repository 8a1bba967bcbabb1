// Module resources: raw data (RCDATA), string tables and, for the Windows front end,
// bitmaps, cursors and dialog templates. The module's .rc file is the one source of
// truth; on POSIX the same file is compiled into a table (see resource_table.h).
#pragma once

#include <cstddef>

namespace platform {

using ModuleHandle = void*;

// The module whose resources are used; set once by the library's entry point. Null
// means the running program itself.
void SetCurrentModule(ModuleHandle module);
ModuleHandle CurrentModule();

// A resource found in the module: its bytes stay valid while the module is loaded.
struct ResourceBytes {
  const unsigned char* data = nullptr;
  size_t size = 0;
};

// Raw data resource (type RCDATA) by name; false when missing or unreadable.
bool FindRawData(const char* name, ResourceBytes* out);

// Bitmap resource by number: a packed device-independent bitmap (header, colour table,
// pixels), as stored in a .bmp file after its 14-byte file header.
bool FindBitmapData(unsigned id, ResourceBytes* out);

// Dialog template by number, in the extended template form (DLGTEMPLATEEX).
bool FindDialogTemplate(unsigned id, ResourceBytes* out);

// String-table entry `id` copied into `buffer` (always terminated, cut to fit).
// Returns its length, or 0 when the entry is missing.
int LoadStringResource(unsigned id, char* buffer, int bufferSize);

}  // namespace platform

// The form in which tools/rc2cpp.py links a module's resources into POSIX builds.
#pragma once

#include <cstddef>

namespace platform {

enum class ResourceType { RawData, Bitmap, Cursor, Dialog };

struct ResourceEntry {
  ResourceType type;
  const char* name;  // upper-case name, or null for a numbered resource
  unsigned id;
  const unsigned char* data;
  size_t size;
};

struct StringEntry {
  unsigned id;
  const char* text;
};

struct ResourceTable {
  const ResourceEntry* entries;
  size_t entryCount;
  const StringEntry* strings;
  size_t stringCount;
};

// Defined by the generated resource file of each program or library.
extern const ResourceTable kModuleResources;

const ResourceEntry* FindResourceEntry(ResourceType type, const char* name, unsigned id);

}  // namespace platform

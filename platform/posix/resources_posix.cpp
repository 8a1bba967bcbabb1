// Resources for POSIX: looked up in the table that the build generates from the
// module's .rc file and links into the same library or program.
#include <strings.h>

#include <cstring>

#include "platform/resource_table.h"
#include "platform/resources.h"

namespace platform {

// Programs without resources link no table; the weak reference is then null.
extern const ResourceTable kModuleResources __attribute__((weak));

namespace {
ModuleHandle g_module = nullptr;
}

void SetCurrentModule(ModuleHandle module) { g_module = module; }
ModuleHandle CurrentModule() { return g_module; }

const ResourceEntry* FindResourceEntry(ResourceType type, const char* name, unsigned id) {
  const ResourceTable* table = &kModuleResources;
  if (!table) return nullptr;
  for (size_t i = 0; i < table->entryCount; ++i) {
    const ResourceEntry& entry = table->entries[i];
    if (entry.type != type) continue;
    if (name ? (entry.name && strcasecmp(entry.name, name) == 0) : (!entry.name && entry.id == id))
      return &entry;
  }
  return nullptr;
}

bool FindRawData(const char* name, ResourceBytes* out) {
  const ResourceEntry* entry = FindResourceEntry(ResourceType::RawData, name, 0);
  if (!entry) return false;
  *out = {entry->data, entry->size};
  return true;
}

bool FindBitmapData(unsigned id, ResourceBytes* out) {
  const ResourceEntry* entry = FindResourceEntry(ResourceType::Bitmap, nullptr, id);
  if (!entry) return false;
  *out = {entry->data, entry->size};
  return true;
}

bool FindDialogTemplate(unsigned id, ResourceBytes* out) {
  const ResourceEntry* entry = FindResourceEntry(ResourceType::Dialog, nullptr, id);
  if (!entry) return false;
  *out = {entry->data, entry->size};
  return true;
}

int LoadStringResource(unsigned id, char* buffer, int bufferSize) {
  if (!buffer || bufferSize <= 0) return 0;
  buffer[0] = '\0';
  const ResourceTable* table = &kModuleResources;
  if (!table) return 0;
  for (size_t i = 0; i < table->stringCount; ++i) {
    if (table->strings[i].id != id) continue;
    size_t length = std::strlen(table->strings[i].text);
    if (length > static_cast<size_t>(bufferSize - 1)) length = bufferSize - 1;
    std::memcpy(buffer, table->strings[i].text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
  }
  return 0;
}

}  // namespace platform

// Everything that crosses the boundary between the host editor and a plug-in: the three
// exported entry points, the records exchanged and the host operations.
//
// On the 32-bit Windows target every record has the exact byte layout the host relies on
// (checked below). Native 64-bit builds keep the field order with pointer-sized handles.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/dib_image.h"
#include "framework/palette_types.h"

#if defined(_WIN32) && !defined(_WIN64)
#define KESTREL_32BIT_CONTRACT 1
#endif

// Calling conventions: the exports use the Windows API convention (the callee removes the
// arguments); the host callback the C convention (the caller removes them).
#ifdef _WIN32
#define PLUGIN_API __stdcall
#define HOST_CALLBACK_CONVENTION __cdecl
#define PLUGIN_EXPORT extern "C"
#else
#define PLUGIN_API
#define HOST_CALLBACK_CONVENTION
#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

constexpr uint32_t kInterfaceVersion = 0x200;

using WindowHandle = void*;

// result = callback(task, operation, argument, data). `task` is null or the current
// delivery's NewTaskRecord; `data` is a pointer or, for progress, a count. Results that
// carry an image are DibImage handles.
using HostCallback = intptr_t(HOST_CALLBACK_CONVENTION*)(void* task, int32_t operation,
                                                         intptr_t argument, intptr_t data);

enum HostOperation : int32_t {
  HostOpCreateTask = 1,
  HostOpAddImage = 2,
  HostOpAddComment = 3,
  HostOpFinishTask = 4,
  HostOpCreateTestTask = 5,
  HostOpOpenFile = 6,
  HostOpOpenFiles = 7,
  HostOpLoadImage = 8,
  HostOpSetStatus = 10,
  HostOpChooseColour = 11,
  HostOpProgress = 13,
  HostOpPasteImage = 14,
};

// Host capability bits of HostBuildRecord::capabilities.
constexpr uint32_t HostCapsOptimise = 1u << 0;
constexpr uint32_t HostCapsTrueColour = 1u << 1;

// Size of the buffer handed to HostOpOpenFiles.
constexpr size_t kOpenFilesBufferSize = 8192;
// Text fields of the records: 260 characters and a terminator.
constexpr size_t kRecordTextSize = 261;
// Size of the path buffer handed to HostOpOpenFile.
constexpr size_t kOpenFileBufferSize = kRecordTextSize;

// Filled by PLUGINGetPluginParams; the host allocates it and sets `size`. The plug-in
// writes the name at offset 8 and the notice at offset 269 whatever `size` says.
struct PluginDescription {
  uint32_t size;
  uint32_t version;
  char name[kRecordTextSize];
  char notice[1];  // runs to the record's end
};
constexpr size_t kDescriptionNoticeOffset = 269;

// Owned by the host; the plug-in reads `callback` and `capabilities` and never writes.
struct HostBuildRecord {
  uint32_t reserved0;
  uint32_t reserved4;
  HostCallback callback;
  uint32_t reserved12;
  uint32_t reserved16;
  uint32_t capabilities;
};

#pragma pack(push, 1)
// One delivery's task record, owned by the plug-in for the span of the delivery.
struct NewTaskRecord {
  uint32_t size;  // sizeof(NewTaskRecord): 1065 on the 32-bit target
  uint32_t version;
  WindowHandle window;
  int32_t width;
  int32_t height;
  int32_t bitsPerPixel;
  int32_t zero24;
  RgbPalette palette;
  int32_t zero796;
  int32_t frameCount;
  char zero804[kRecordTextSize];
};
#pragma pack(pop)

// One frame handed to the host. The image stays the plug-in's.
struct AddImageRecord {
  uint32_t size;
  uint32_t version;
  DibImage image;
  int32_t zero12;
  int32_t delay;
  int32_t zero20[3];
  int32_t frameNumber;
  int32_t transparentKey;  // palette index, PackedColour for true colour, -1 none
  int32_t zero40[16];
};

// The colour chooser's record.
struct ColourRequestRecord {
  uint32_t size;
  uint32_t version;
  RgbPalette* paletteArea;
  int32_t bitsPerPixel;  // 24
  int32_t colourCopy;
  int32_t colour;  // in: current, out: chosen
  WindowHandle window;
};

#ifdef KESTREL_32BIT_CONTRACT
static_assert(offsetof(PluginDescription, name) == 8, "name at 8");
static_assert(offsetof(PluginDescription, notice) == kDescriptionNoticeOffset, "notice at 269");
static_assert(offsetof(HostBuildRecord, callback) == 8, "callback at 8");
static_assert(offsetof(HostBuildRecord, capabilities) == 20, "capabilities at 20");
static_assert(sizeof(NewTaskRecord) == 1065, "task record is 1065 bytes");
static_assert(offsetof(NewTaskRecord, window) == 8, "window at 8");
static_assert(offsetof(NewTaskRecord, bitsPerPixel) == 20, "bits at 20");
static_assert(offsetof(NewTaskRecord, palette) == 28, "palette at 28");
static_assert(offsetof(NewTaskRecord, frameCount) == 800, "frame count at 800");
static_assert(offsetof(NewTaskRecord, zero804) == 804, "tail at 804");
static_assert(sizeof(AddImageRecord) == 104, "image record is 104 bytes");
static_assert(offsetof(AddImageRecord, image) == 8, "image at 8");
static_assert(offsetof(AddImageRecord, delay) == 16, "delay at 16");
static_assert(offsetof(AddImageRecord, frameNumber) == 32, "frame number at 32");
static_assert(offsetof(AddImageRecord, transparentKey) == 36, "key at 36");
static_assert(sizeof(ColourRequestRecord) == 28, "colour record is 28 bytes");
static_assert(offsetof(ColourRequestRecord, colour) == 20, "colour at 20");
static_assert(offsetof(ColourRequestRecord, window) == 24, "window at 24");
#else
// 64-bit builds: the same field order, handles and pointers 8 bytes on 8-byte boundaries.
static_assert(sizeof(void*) == 8, "a host record layout exists for 32-bit and 64-bit pointers only");
static_assert(offsetof(PluginDescription, name) == 8, "name at 8");
static_assert(offsetof(PluginDescription, notice) == kDescriptionNoticeOffset, "notice at 269");
static_assert(offsetof(HostBuildRecord, callback) == 8, "callback at 8");
static_assert(offsetof(HostBuildRecord, capabilities) == 24, "capabilities at 24");
static_assert(sizeof(NewTaskRecord) == 1069, "task record is 1069 bytes");
static_assert(offsetof(NewTaskRecord, window) == 8, "window at 8");
static_assert(offsetof(NewTaskRecord, bitsPerPixel) == 24, "bits at 24");
static_assert(offsetof(NewTaskRecord, palette) == 32, "palette at 32");
static_assert(offsetof(NewTaskRecord, frameCount) == 804, "frame count at 804");
static_assert(offsetof(NewTaskRecord, zero804) == 808, "tail at 808");
static_assert(sizeof(AddImageRecord) == 112, "image record is 112 bytes");
static_assert(offsetof(AddImageRecord, image) == 8, "image at 8");
static_assert(offsetof(AddImageRecord, delay) == 20, "delay at 20");
static_assert(offsetof(AddImageRecord, frameNumber) == 36, "frame number at 36");
static_assert(offsetof(AddImageRecord, transparentKey) == 40, "key at 40");
static_assert(sizeof(ColourRequestRecord) == 40, "colour record is 40 bytes");
static_assert(offsetof(ColourRequestRecord, colour) == 24, "colour at 24");
static_assert(offsetof(ColourRequestRecord, window) == 32, "window at 32");
#endif

// The exports every plug-in carries.
PLUGIN_EXPORT int PLUGIN_API DllEntryPoint(void* module, uint32_t reason, void* reserved);
PLUGIN_EXPORT int PLUGIN_API PLUGINGetPluginParams(PluginDescription* description, void* unused);
PLUGIN_EXPORT int PLUGIN_API PLUGINDoBuild(WindowHandle owner, const HostBuildRecord* host,
                                           void* unused);

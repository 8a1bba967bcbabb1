#include "framework/host.h"

#include <cstring>

intptr_t Host::call(void* task, HostOperation operation, intptr_t argument, intptr_t data) const {
  if (!valid()) return 0;
  return record_->callback(task, operation, argument, data);
}

void Host::setStatus(const char* text) const {
  call(nullptr, HostOpSetStatus, 0, reinterpret_cast<intptr_t>(text));
}

void Host::progress(int32_t done, int32_t total) const {
  call(nullptr, HostOpProgress, done, total);
}

DibImage Host::loadImage(const char* path) const {
  return reinterpret_cast<DibImage>(call(nullptr, HostOpLoadImage, 0, reinterpret_cast<intptr_t>(path)));
}

DibImage Host::pasteImage(WindowHandle window) const {
  return reinterpret_cast<DibImage>(call(nullptr, HostOpPasteImage, 0, reinterpret_cast<intptr_t>(window)));
}

bool Host::chooseColour(WindowHandle window, int32_t* colour, int32_t copy) const {
  RgbPalette area{};
  ColourRequestRecord request;
  std::memset(&request, 0, sizeof request);
  request.size = sizeof request;
  request.version = kInterfaceVersion;
  request.paletteArea = &area;
  request.bitsPerPixel = 24;
  request.colourCopy = copy;
  request.colour = *colour;
  request.window = window;
  if (!call(nullptr, HostOpChooseColour, 0, reinterpret_cast<intptr_t>(&request))) return false;
  *colour = request.colour;
  return true;
}

bool Host::openFiles(WindowHandle window, char* buffer) const {
  std::memset(buffer, 0, kOpenFilesBufferSize);
  return call(nullptr, HostOpOpenFiles, reinterpret_cast<intptr_t>(window),
              reinterpret_cast<intptr_t>(buffer)) != 0;
}

bool Host::openFile(WindowHandle window, char* buffer) const {
  std::memset(buffer, 0, kOpenFileBufferSize);
  bool chosen = call(nullptr, HostOpOpenFile, reinterpret_cast<intptr_t>(window),
                     reinterpret_cast<intptr_t>(buffer)) != 0;
  buffer[kOpenFileBufferSize - 1] = '\0';  // a host that filled the whole buffer
  return chosen;
}

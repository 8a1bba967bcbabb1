// Calls into the host through the callback of its build record.
#pragma once

#include <cstdint>

#include "framework/host_interface.h"

class Host {
 public:
  explicit Host(const HostBuildRecord* record) : record_(record) {}

  // False when there is no record or its callback is null.
  bool valid() const { return record_ && record_->callback; }
  uint32_t capabilities() const { return record_ ? record_->capabilities : 0; }
  bool canOptimise() const { return (capabilities() & HostCapsOptimise) != 0; }
  bool canTrueColour() const { return (capabilities() & HostCapsTrueColour) != 0; }

  intptr_t call(void* task, HostOperation operation, intptr_t argument, intptr_t data) const;

  void setStatus(const char* text) const;
  void progress(int32_t done, int32_t total) const;
  void endProgress() const { progress(0, 0); }
  // A picture the caller then owns, or none.
  DibImage loadImage(const char* path) const;
  DibImage pasteImage(WindowHandle window) const;
  // Asks for a colour; true and `colour` updated when one was chosen.
  bool chooseColour(WindowHandle window, int32_t* colour, int32_t copy) const;
  // Fills `buffer` (kOpenFilesBufferSize bytes) with the user's selection.
  bool openFiles(WindowHandle window, char* buffer) const;
  // Asks for one file; true with its full path in `buffer` (kOpenFileBufferSize bytes)
  // when the user chose one.
  bool openFile(WindowHandle window, char* buffer) const;

 private:
  const HostBuildRecord* record_;
};

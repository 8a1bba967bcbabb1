// How a substitute host drives a plug-in's dialog where there is no window system.
//
// On POSIX the owner window handed to PLUGINDoBuild is the address of a HeadlessSession
// (the three exports keep their signatures). The plug-in then runs its main dialog
// headless (headless_dialog.h): `actions` are the user's actions, one per line; the
// messages it shows go to `showMessage`; the thread count and the settings directory it
// carries hold for the span of the call. A null owner, or a record whose size or version
// does not match, runs the dialog with no actions, which cancels it.
#pragma once

#include <cstdint>

#include "framework/action_refusal.h"

struct HeadlessSession {
  uint32_t size;     // sizeof(HeadlessSession)
  uint32_t version;  // kHeadlessSessionVersion
  const char* actions;
  // Receives every message box: text and title. May be null (messages go to stderr).
  void (*showMessage)(void* context, const char* text, const char* title);
  void* context;
  int32_t clipboardHasPicture;  // what the clipboard test of the dialog sees
  // The host's choices for this session: how many threads a build uses (0: the
  // plug-in's own choice) and the directory of the settings files (null: the usual one).
  int32_t threads;
  const char* settingsDirectory;
  // Out: the dialog's result (1 OK, 0 Cancel, -1 refused action or dialog destroyed)
  // and, for a refused action, why.
  int32_t result;
  ActionRefusal refusal;
  // Receives the dialog's state (HeadlessDialog::describe) when the actions have run out
  // and the dialog is still open, just before it is cancelled; may be null. A front end
  // that shows the dialog (fwhost studio) asks for it with no final OK or Test.
  void (*dialogState)(void* context, const char* json);
};

constexpr uint32_t kHeadlessSessionVersion = 0x102;

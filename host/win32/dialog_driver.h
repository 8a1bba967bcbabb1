// Drives a plug-in's real dialog the way a user would, by window messages: the actions
// of the headless dialog's language (framework/headless_dialog.h) carried out one per
// timer tick once the dialog is up, message boxes read and dismissed, screenshots taken.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/headless_dialog.h"

class DialogDriver {
 public:
  // `owner` is the window handed to PLUGINDoBuild: the dialog to drive is the one it owns.
  DialogDriver(HWND owner, std::vector<DialogAction> actions);
  ~DialogDriver();

  // Saves the dialog as a BMP file when it is about to close: before an OK click, or
  // when the actions have run out.
  void screenshotDialog(const std::string& path) { dialogShot_ = path; }
  // Then presses `aboutId`, saves the About box and closes it again.
  void screenshotAbout(const std::string& path, int aboutId) {
    aboutShot_ = path;
    aboutId_ = aboutId;
  }

  // Message boxes seen: text and title.
  const std::vector<std::pair<std::string, std::string>>& messages() const { return messages_; }
  // Why an action was refused (kind None when none was).
  const ActionRefusal& refusal() const { return refusal_; }
  bool dialogSeen() const { return dialogSeen_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void tick();
  HWND findOwned(HWND owner) const;
  // Reads and closes a message box (or takes the About box's picture); true when one was up.
  bool dismissMessageBoxes(HWND dialog);
  bool perform(HWND dialog, const DialogAction& action);

  HWND owner_;
  std::vector<DialogAction> actions_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
  bool dialogSeen_ = false;
  bool cancelled_ = false;
  bool aboutRequested_ = false;
  std::string dialogShot_, aboutShot_;
  int aboutId_ = 0;
  std::vector<std::pair<std::string, std::string>> messages_;
  ActionRefusal refusal_ = MakeRefusal(RefusalKind::None);
};

// Saves what the screen shows of a window as a 24-bit BMP file; false on failure.
bool SaveWindowPicture(HWND window, const std::string& path);

// The options dialog of `dooptions`: four check boxes, each shown only when the script
// names its letter, ticked when the letter is upper case.
#pragma once

#include <string>

#include "installer/script/install_context.h"

namespace installer {

struct OptionBox {
  int id;            // control id in the dialog
  char letter;       // lower case; the upper-case form also ticks the box
  const char* text;  // the box's text
  bool shown = false;
  bool checked = false;
};

constexpr int kOptionBoxCount = 4;

// The boxes in the order of the install options: What's New, Start menu, desktop,
// screen saver.
struct OptionBoxes {
  OptionBox box[kOptionBoxCount];
};

// The boxes as the dialog starts for the script's option letters.
OptionBoxes OptionBoxesFor(const std::string& letters);

// The dialog's caption for the name the script gives.
std::string OptionsCaption(const std::string& name);

// The install options that the boxes' ticks stand for.
InstallOptions OptionsFromBoxes(const OptionBoxes& boxes);

// Lets the user choose: on Windows the dialog (owned by the front end's window), on
// POSIX one question per shown box. On Continue the boxes hold the user's ticks and the
// result is true; Cancel gives false.
bool ChooseInstallOptions(FrontEnd& ui, const std::string& caption, OptionBoxes& boxes);

// Control ids of the dialog's buttons.
constexpr int kOptionsContinueId = 1;
constexpr int kOptionsCancelId = 2;

}  // namespace installer

// The options dialog on a terminal: the caption and each shown box become one question;
// Yes ticks the box. A question closed without an answer cancels, as Escape cancels
// the dialog.
#include "installer/shell/install_options.h"

namespace installer {

bool ChooseInstallOptions(FrontEnd& ui, const std::string& caption, OptionBoxes& boxes) {
  for (OptionBox& box : boxes.box) {
    if (!box.shown) continue;
    std::string text = box.text;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::string question = caption + "\n\n" + text + "?" + (box.checked ? " (suggested)" : "");
    int answer = ui.Ask(question);
    if (answer == kAnswerClosed) return false;
    box.checked = answer == kAnswerYes;
  }
  return true;
}

}  // namespace installer

#include "installer/shell/install_options.h"

namespace installer {

OptionBoxes OptionBoxesFor(const std::string& letters) {
  OptionBoxes boxes = {{
      {101, 'w', "Display the What's New document (recommended) "},
      {102, 'm', "Add this application to your Windows Start menu"},
      {103, 'd', "Add a link for this application to your Windows desktop"},
      {104, 's', "Make this application your default Windows screen saver"},
  }};
  for (OptionBox& box : boxes.box) {
    char upper = static_cast<char>(box.letter - 'a' + 'A');
    box.checked = letters.find(upper) != std::string::npos;
    box.shown = box.checked || letters.find(box.letter) != std::string::npos;
  }
  return boxes;
}

std::string OptionsCaption(const std::string& name) { return "Options for " + name; }

InstallOptions OptionsFromBoxes(const OptionBoxes& boxes) {
  InstallOptions options;
  options.whatsNew = boxes.box[0].checked;
  options.startMenu = boxes.box[1].checked;
  options.desktop = boxes.box[2].checked;
  options.screenSaver = boxes.box[3].checked;
  return options;
}

}  // namespace installer

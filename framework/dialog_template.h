// Reading a dialog template (the extended form, DLGTEMPLATEEX) into a table of controls.
// The headless dialog builds its controls from it, so both front ends take their
// controls from the same .rc template.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ControlKind {
  PushButton,
  CheckBox,      // automatic check box
  RadioButton,   // automatic radio button
  GroupBox,
  OwnerDrawButton,
  Edit,
  Static,
  ListBox,
  ComboBox,
  UpDown,
  Other,
};

struct ControlTemplate {
  ControlKind kind;
  int id;
  uint32_t style;
  std::string text;
  // Place and size in dialog units, as the template gives them.
  int x = 0, y = 0, width = 0, height = 0;
};

struct DialogTemplate {
  std::string caption;
  std::vector<ControlTemplate> controls;
  int width = 0, height = 0;  // in dialog units
};

constexpr uint32_t kStyleDisabled = 0x08000000;  // WS_DISABLED
constexpr uint32_t kStyleGroup = 0x00020000;     // WS_GROUP

// False when the bytes are not a well-formed extended template.
bool ParseDialogTemplate(const unsigned char* data, size_t size, DialogTemplate* out);

// Template `id` from the current module's resources.
bool LoadDialogTemplate(unsigned id, DialogTemplate* out);

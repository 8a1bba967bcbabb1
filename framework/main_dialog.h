// The logic of every plug-in's main dialog (template 1000): start-up, the common
// controls and their settings, Test, OK, Cancel, Help, About, and the end of the dialog.
// The effect's own controls and sources are handled by its Effect.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "framework/effect.h"
#include "framework/host.h"

// An up-down control's template text "minimum,maximum,default", read with "%d,%d,%d".
struct UpDownTemplate {
  int fieldsRead = 0;  // how many of the three numbers were read
  int minimum = 0;
  int maximum = 0;
  int initial = 0;
};
UpDownTemplate ParseUpDownTemplate(const std::string& text);
// The template text of an up-down control with `range`.
std::string UpDownText(const UpDownRange& range);

// A numeric field read as an unsigned decimal number: leading blanks, then the digits;
// text that does not start with a digit reads as 0.
uint32_t ReadFieldNumber(const std::string& text);

// A field's value clamped to its up-down template's range (a missing minimum counts as
// 0, a missing maximum as 100).
int32_t ReadClampedField(Dialog& dialog, int fieldId);

// A colour button's window text: "%d,%d,%d" of the red, green and blue of a PackedColour.
std::string ColourText(int32_t colour);

class MainDialog : public DialogHandler {
 public:
  MainDialog(Effect& effect, const HostBuildRecord* record) : effect_(effect), host_(record) {}

  void onInit(Dialog& dialog) override;
  void onCommand(Dialog& dialog, int id, int notification) override;
  void onListDrag(Dialog& dialog, int listId, int from, int to) override;
  void onDestroy(Dialog& dialog) override;

 private:
  void settingsToControls(Dialog& dialog);
  void controlsToSettings(Dialog& dialog);
  void build(Dialog& dialog, bool test);

  Effect& effect_;
  Host host_;
  bool started_ = false;  // settings loaded; saved again when the dialog ends
};

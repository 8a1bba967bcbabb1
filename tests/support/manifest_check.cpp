#include "tests/support/manifest_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "framework/headless_dialog.h"
#include "framework/main_dialog.h"
#include "tests/support/fake_host.h"

namespace {

const char* KindName(ControlKind kind) {
  static const char* const kNames[] = {"push button", "check box", "radio button", "group box",
                                       "owner-drawn button", "edit field", "static text", "list box",
                                       "combo box", "up-down", "other control"};
  return kNames[static_cast<int>(kind)];
}

const ControlTemplate* FindControl(const DialogTemplate& dialogTemplate, int id) {
  for (const ControlTemplate& control : dialogTemplate.controls)
    if (control.id == id) return &control;
  return nullptr;
}

// Controls whose state reaches the settings: each must be one the manifest names.
bool HoldsAValue(ControlKind kind) {
  return kind == ControlKind::Edit || kind == ControlKind::UpDown || kind == ControlKind::CheckBox ||
         kind == ControlKind::RadioButton;
}

class TemplateCheck {
 public:
  explicit TemplateCheck(const DialogTemplate& dialogTemplate) : template_(dialogTemplate) {}

  // Control `id` is there, of `kind`; returns it, or null.
  const ControlTemplate* expect(int id, ControlKind kind, const std::string& what) {
    named_.insert(id);
    const ControlTemplate* control = FindControl(template_, id);
    if (!control) {
      ADD_FAILURE() << what << ": the dialog has no control " << id;
      return nullptr;
    }
    EXPECT_EQ(std::string(KindName(control->kind)), KindName(kind)) << what << ": control " << id;
    return control;
  }

  void expectNumber(const EffectOption& option) {
    std::string what = std::string("--") + option.name;
    expect(option.id, ControlKind::Edit, what);
    const ControlTemplate* upDown = expect(option.id + kUpDownOffset, ControlKind::UpDown, what + "'s up-down");
    if (!upDown) return;
    UpDownTemplate range = ParseUpDownTemplate(upDown->text);
    EXPECT_EQ(range.fieldsRead, 3) << what << ": \"" << upDown->text << "\"";
    EXPECT_EQ(range.minimum, option.minimum) << what << ": \"" << upDown->text << "\"";
    EXPECT_EQ(range.maximum, option.maximum) << what << ": \"" << upDown->text << "\"";
    EXPECT_TRUE(range.initial >= range.minimum && range.initial <= range.maximum)
        << what << " starts outside its range: \"" << upDown->text << "\"";
  }

  // Every value-holding control of the template was named.
  void expectAllNamed() const {
    for (const ControlTemplate& control : template_.controls) {
      if (!HoldsAValue(control.kind)) continue;
      EXPECT_TRUE(named_.count(control.id)) << "the " << KindName(control.kind) << " " << control.id << " (\""
                                            << control.text << "\") is in no option of the manifest";
    }
  }

 private:
  const DialogTemplate& template_;
  std::set<int> named_;
};

}  // namespace

void ExpectManifestMatchesTemplate(const EffectManifest& manifest, const DialogTemplate& dialogTemplate) {
  EXPECT_EQ(dialogTemplate.caption, manifest.title);
  TemplateCheck check(dialogTemplate);
  const CommonControlIds& ids = manifest.ids;
  check.expect(ids.delay, ControlKind::Edit, "Delay");
  check.expect(ids.delay + kUpDownOffset, ControlKind::UpDown, "Delay's up-down");
  check.expect(ids.palette, ControlKind::ComboBox, "Palette");
  check.expect(ids.dither, ControlKind::CheckBox, "Dither");
  check.expect(ids.customPalette, ControlKind::CheckBox, "Custom palette");
  check.expect(ids.trueColour, ControlKind::CheckBox, "True colour");
  check.expect(ids.supercompress, ControlKind::CheckBox, "Supercompress");
  check.expect(ids.comment, ControlKind::CheckBox, "Add comment");
  check.expect(ids.test, ControlKind::PushButton, "Test");
  check.expect(ids.about, ControlKind::PushButton, "About");
  check.expect(ids.logo, ControlKind::OwnerDrawButton, "the logo");
  if (ids.paste) check.expect(ids.paste, ControlKind::PushButton, "Paste");
  if (manifest.addButton) check.expect(manifest.addButton, ControlKind::PushButton, "the button asking for files");
  EXPECT_EQ(manifest.addButton != 0, manifest.sources != SourceKind::None);

  for (size_t i = 0; i < manifest.optionCount; ++i) {
    const EffectOption& option = manifest.options[i];
    std::string what = std::string("--") + option.name;
    switch (option.kind) {
      case OptionKind::Number:
        check.expectNumber(option);
        break;
      case OptionKind::Press:
        check.expect(option.id, ControlKind::RadioButton, what);
        break;
      case OptionKind::Choice:
        EXPECT_EQ(option.id, 0) << what << ": a choice's controls are its choices'";
        ASSERT_NE(option.choices, nullptr) << what;
        for (const OptionChoice* choice = option.choices; choice->word; ++choice)
          check.expect(choice->id, ControlKind::RadioButton, what + " " + choice->word);
        break;
      case OptionKind::Toggle:
        check.expect(option.id, ControlKind::CheckBox, what);
        break;
      case OptionKind::Colour:
        check.expect(option.id, ControlKind::OwnerDrawButton, what);
        break;
      case OptionKind::ListColour:
        check.expect(option.id, ControlKind::ListBox, what);
        break;
    }
  }
  check.expectAllNamed();
}

void ExpectBuiltInValuesShown(const EffectManifest& manifest, Dialog& dialog) {
  EXPECT_EQ(dialog.itemText(manifest.ids.delay), std::to_string(manifest.delay.builtIn)) << "Delay";
  for (size_t i = 0; i < manifest.optionCount; ++i) {
    const EffectOption& option = manifest.options[i];
    const std::string builtIn = option.defaultText;
    std::string what = std::string("--") + option.name + " (built-in \"" + builtIn + "\")";
    switch (option.kind) {
      case OptionKind::Number:
      case OptionKind::Colour:  // the colour button's text is its colour, "R,G,B"
        EXPECT_EQ(dialog.itemText(option.id), builtIn) << what;
        break;
      case OptionKind::Press:
        EXPECT_EQ(dialog.isChecked(option.id), !builtIn.empty()) << what;
        break;
      case OptionKind::Choice:
        for (const OptionChoice* choice = option.choices; choice->word; ++choice)
          EXPECT_EQ(dialog.isChecked(choice->id), builtIn == choice->word) << what << ": " << choice->word;
        break;
      case OptionKind::Toggle:
        EXPECT_TRUE(builtIn == "on" || builtIn == "off") << what;
        EXPECT_EQ(dialog.isChecked(option.id), builtIn == "on") << what;
        break;
      case OptionKind::ListColour:
        // The items are drawn from the settings, not written: nothing to read back.
        break;
    }
  }
}

void ExpectManifestMatchesDialog(Effect& effect) {
  DialogTemplate dialogTemplate;
  ASSERT_TRUE(LoadDialogTemplate(kMainDialogTemplate, &dialogTemplate));
  ExpectManifestMatchesTemplate(effect.manifest(), dialogTemplate);

  std::string settingsPath = SettingsFilePath(effect.description().settingsFile);
  std::remove(settingsPath.c_str());
  FakeHost host;
  HeadlessDialog dialog(dialogTemplate);
  MainDialog logic(effect, &host.record);
  ActionRefusal refusal{};
  dialog.run(logic, {}, &refusal);
  std::remove(settingsPath.c_str());
  EXPECT_FALSE(refusal.refused()) << DescribeRefusal(refusal);
  ExpectBuiltInValuesShown(effect.manifest(), dialog);
}

// A dialog without a window system: in-memory controls built from the dialog's .rc
// template, driven by a list of user actions. The native plug-ins run their dialogs this
// way, and the unit tests drive the dialog logic through it on every target.
//
// Actions, one per line (blank lines and lines starting with "#" are skipped):
//   set ID TEXT          type TEXT into edit field ID
//   click ID             press button ID (toggles a check box, checks a radio button)
//   check ID | uncheck ID  set check box ID (pressing it only when it changes)
//   select ID INDEX      choose item INDEX of list or combo box ID
//   dblclick ID INDEX    double-click item INDEX of list ID (shift-dblclick: with Shift)
//   drag ID FROM TO      drag item FROM of list ID onto item TO (lists that allow it)
// A disabled or missing control refuses the action, as a real dialog would.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/action_refusal.h"
#include "framework/dialog.h"
#include "framework/dialog_template.h"

struct DialogAction {
  enum class Kind { SetText, Click, Check, Uncheck, Select, DoubleClick, Drag };
  Kind kind = Kind::Click;
  int id = 0;
  std::string text;
  int index = 0;
  int to = 0;
  bool shift = false;
  int line = 0;
};

// False (with `refusal` naming the line) when a line is not an action.
bool ParseDialogActions(const std::string& script, std::vector<DialogAction>* actions, ActionRefusal* refusal);

class HeadlessDialog : public Dialog {
 public:
  using MessageSink = std::function<void(const std::string& text, const std::string& title)>;

  explicit HeadlessDialog(const DialogTemplate& dialogTemplate);

  // Runs the dialog modally: start-up and its posted commands, then each action in turn
  // until the dialog ends. A dialog still open when the actions run out is cancelled as
  // if Escape were pressed. Returns the dialog's result, or -1 when it destroyed itself
  // or an action could not be carried out (then `refusal` says why; else it is None).
  int run(DialogHandler& handler, const std::vector<DialogAction>& actions, ActionRefusal* refusal);

  void setMessageSink(MessageSink sink) { sink_ = std::move(sink); }
  // Called with describe() when the actions have run out and the dialog is still open,
  // before it is cancelled: how a front end that shows the dialog learns its state.
  void setStateSink(std::function<void(const std::string& state)> sink) { stateSink_ = std::move(sink); }

  // The dialog as it stands, as one JSON object: its title and size, and every control
  // of the template in order (unnamed labels and frames too) with its kind, place, text,
  // whether it is enabled and checked, its items, selection and up-down range.
  std::string describe() const;
  void setClipboardHasPicture(bool has) { clipboardHasPicture_ = has; }
  void setWindow(void* window) { window_ = window; }

  // What tests look at.
  const std::vector<std::pair<std::string, std::string>>& messages() const { return messages_; }
  // The texts of the messages alone.
  std::vector<std::string> messageTexts() const {
    std::vector<std::string> texts;
    for (const auto& message : messages_) texts.push_back(message.first);
    return texts;
  }
  const std::string& title() const { return title_; }
  bool hasControl(int id) const { return controls_.count(id) != 0; }
  bool logoRunning() const { return logoRunning_; }
  int focus() const { return focus_; }

  // Dialog
  void* window() override { return window_; }
  std::string itemText(int id) override;
  void setItemText(int id, const std::string& text) override;
  bool isChecked(int id) override;
  void setChecked(int id, bool checked) override;
  bool isEnabled(int id) override;
  void enable(int id, bool enabled) override;
  void setFocus(int id) override { focus_ = id; }
  void repaint(int id) override {}
  void setUpDownRange(int id, int minimum, int maximum) override;
  void upDownRange(int id, int* minimum, int* maximum) override;
  void setUpDownPosition(int id, int position) override;
  void comboAdd(int id, const std::string& text) override;
  int comboSelection(int id) override;
  void setComboSelection(int id, int index) override;
  int listCount(int id) override;
  int listInsert(int id, int index, const std::string& text, intptr_t data) override;
  void listDelete(int id, int index) override;
  intptr_t listData(int id, int index) override;
  std::string listText(int id, int index) override;
  int listSelection(int id) override;
  void setListSelection(int id, int index) override;
  int listCaret(int id) override;
  void setListItemHeight(int id, int height) override {}
  void enableListDragging(int id) override;
  void setTitle(const std::string& title) override { title_ = title; }
  void showMessage(const std::string& text, const std::string& title) override;
  void postCommand(int id, int notification) override { posted_.push_back({id, notification}); }
  void end(int result) override;
  void destroy() override;
  void centre() override {}
  bool clipboardHasPicture() override { return clipboardHasPicture_; }
  bool shiftDown() override { return shiftDown_; }
  void showWaitCursor() override {}
  void restoreCursor() override {}
  void showAbout(const AboutInfo& about) override;
  void startLogo(int buttonId) override { logoRunning_ = true; }
  void pauseLogo() override { logoRunning_ = false; }
  void resumeLogo() override { logoRunning_ = true; }
  void stopLogo() override { logoRunning_ = false; }

 private:
  struct Item {
    std::string text;
    intptr_t data;
  };
  struct Control {
    ControlTemplate source;
    std::string text;
    bool checked = false;
    bool enabled = true;
    std::vector<Item> items;
    int selection = -1;
    int caret = -1;
    int minimum = 0;
    int maximum = 100;
    bool draggable = false;
  };

  Control* find(int id);
  bool perform(DialogHandler& handler, const DialogAction& action, ActionRefusal* refusal);
  void click(DialogHandler& handler, Control& control);
  void drainPosted(DialogHandler& handler);
  bool over() const { return ended_ || destroyed_; }

  DialogTemplate template_;
  std::map<int, Control> controls_;
  std::vector<int> order_;  // ids in template order, for radio groups
  std::vector<std::pair<int, int>> posted_;
  std::vector<std::pair<std::string, std::string>> messages_;
  MessageSink sink_;
  std::function<void(const std::string&)> stateSink_;
  void* window_ = nullptr;
  std::string title_;
  bool clipboardHasPicture_ = false;
  bool logoRunning_ = false;
  bool shiftDown_ = false;
  int focus_ = 0;
  bool ended_ = false;
  bool destroyed_ = false;
  int result_ = 0;
};

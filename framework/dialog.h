// The Dialog interface: what the portable dialog logic needs of a dialog window.
//
// Two front ends implement it: real Windows dialogs made from the .rc templates, and the
// headless dialog (headless_dialog.h) with in-memory controls built from the same
// templates, driven by a list of user actions. The logic is written once, as a
// DialogHandler that receives the dialog's events.
#pragma once

#include <cstdint>
#include <string>

// Notification codes of WM_COMMAND, with the values Windows gives them.
enum Notification : int {
  kButtonClicked = 0,      // BN_CLICKED
  kListSelectionChange = 1,  // LBN_SELCHANGE
  kListDoubleClick = 2,    // LBN_DBLCLK
  kComboSelectionChange = 1,  // CBN_SELCHANGE
  kComboCloseUp = 8,       // CBN_CLOSEUP
  kEditChange = 0x300,     // EN_CHANGE
};

// Standard command ids.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdHelp = 9;

struct AboutInfo;

class Dialog {
 public:
  virtual ~Dialog() = default;

  // The window handle given to the host in its records (null for a headless dialog).
  virtual void* window() = 0;

  virtual std::string itemText(int id) = 0;
  virtual void setItemText(int id, const std::string& text) = 0;
  virtual bool isChecked(int id) = 0;
  virtual void setChecked(int id, bool checked) = 0;
  virtual bool isEnabled(int id) = 0;
  virtual void enable(int id, bool enabled) = 0;
  virtual void setFocus(int id) = 0;
  // Repaints one control.
  virtual void repaint(int id) = 0;

  // Up-down controls: range and position (the buddy edit field shows the position).
  virtual void setUpDownRange(int id, int minimum, int maximum) = 0;
  virtual void upDownRange(int id, int* minimum, int* maximum) = 0;
  virtual void setUpDownPosition(int id, int position) = 0;

  // Combo boxes (drop-down lists).
  virtual void comboAdd(int id, const std::string& text) = 0;
  virtual int comboSelection(int id) = 0;  // -1 when none
  virtual void setComboSelection(int id, int index) = 0;

  // List boxes; every item carries a data value.
  virtual int listCount(int id) = 0;
  // Inserts at `index` (-1: at the end); returns the new item's index, or -1.
  virtual int listInsert(int id, int index, const std::string& text, intptr_t data) = 0;
  virtual void listDelete(int id, int index) = 0;
  virtual intptr_t listData(int id, int index) = 0;
  virtual std::string listText(int id, int index) = 0;
  virtual int listSelection(int id) = 0;  // -1 when none
  virtual void setListSelection(int id, int index) = 0;
  virtual int listCaret(int id) = 0;  // -1 when the list is empty
  virtual void setListItemHeight(int id, int height) = 0;
  // Lets the user drag the list's items to new places (reported by onListDrag).
  virtual void enableListDragging(int id) = 0;

  // The dialog itself.
  virtual void setTitle(const std::string& title) = 0;
  virtual void showMessage(const std::string& text, const std::string& title) = 0;
  // Queues a WM_COMMAND that the dialog handles after the current event.
  virtual void postCommand(int id, int notification) = 0;
  virtual void end(int result) = 0;
  virtual void destroy() = 0;
  virtual void centre() = 0;
  virtual bool clipboardHasPicture() = 0;
  // Whether Shift is held during the current event.
  virtual bool shiftDown() = 0;
  virtual void showWaitCursor() = 0;
  virtual void restoreCursor() = 0;
  virtual void showAbout(const AboutInfo& about) = 0;

  // The animated logo on an owner-drawn button.
  virtual void startLogo(int buttonId) = 0;
  virtual void pauseLogo() = 0;
  virtual void resumeLogo() = 0;
  virtual void stopLogo() = 0;
};

// Receives a dialog's events; written once for both front ends.
class DialogHandler {
 public:
  virtual ~DialogHandler() = default;
  // WM_INITDIALOG. The handler may end or destroy the dialog from here.
  virtual void onInit(Dialog& dialog) = 0;
  virtual void onCommand(Dialog& dialog, int id, int notification) = 0;
  // An item of a list dragged to another place (the list's own drag handling).
  virtual void onListDrag(Dialog& dialog, int listId, int from, int to) {}
  // WM_DESTROY, on every way the dialog ends.
  virtual void onDestroy(Dialog& dialog) = 0;
};

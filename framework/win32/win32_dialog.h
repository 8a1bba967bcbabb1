// The Windows front end of the dialog logic: a Dialog over a real dialog window, and the
// dialog procedure that hands the window's messages to a DialogHandler.
#pragma once

#include <windows.h>

#include "framework/dialog.h"

// What a dialog window needs besides its handler: its background tile and logo button.
struct Win32DialogSetup {
  DialogHandler* handler;
  int backgroundBitmap;
};

class Win32Dialog : public Dialog {
 public:
  Win32Dialog(HWND window, const Win32DialogSetup& setup) : window_(window), setup_(setup) {}

  HWND hwnd() const { return window_; }
  DialogHandler& handler() const { return *setup_.handler; }
  int backgroundBitmap() const { return setup_.backgroundBitmap; }

  void* window() override { return window_; }
  std::string itemText(int id) override;
  void setItemText(int id, const std::string& text) override;
  bool isChecked(int id) override;
  void setChecked(int id, bool checked) override;
  bool isEnabled(int id) override;
  void enable(int id, bool enabled) override;
  void setFocus(int id) override;
  void repaint(int id) override;
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
  void setListItemHeight(int id, int height) override;
  void enableListDragging(int id) override;
  void setTitle(const std::string& title) override;
  void showMessage(const std::string& text, const std::string& title) override;
  void postCommand(int id, int notification) override;
  void end(int result) override;
  void destroy() override;
  void centre() override;
  bool clipboardHasPicture() override;
  bool shiftDown() override;
  void showWaitCursor() override;
  void restoreCursor() override;
  void showAbout(const AboutInfo& about) override;
  void startLogo(int buttonId) override;
  void pauseLogo() override;
  void resumeLogo() override;
  void stopLogo() override;

 private:
  LRESULT send(int id, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_;
  Win32DialogSetup setup_;
  int logoButton_ = 0;
  HCURSOR previousCursor_ = nullptr;
};

// Runs a modal dialog from template `templateId` with the handler's logic.
INT_PTR RunWin32Dialog(HWND owner, int templateId, const Win32DialogSetup& setup);

// The owner-drawn items of the plug-in's own dialog (list items, colour buttons); each
// plug-in defines it. Returns true when it drew the item.
bool PluginDrawItem(Win32Dialog& dialog, const DRAWITEMSTRUCT& item);

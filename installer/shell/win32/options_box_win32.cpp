// The options dialog on Windows, "OptionsBox": 278 x 62 dialog units, four check boxes
// hidden at creation and the Continue and Cancel buttons. Its template is built in
// memory, so the dialog goes wherever the shell commands are linked.
#include <windows.h>

#include <cstring>
#include <vector>

#include "installer/shell/install_options.h"

namespace installer {
namespace {

// A dialog template in memory: DLGTEMPLATE, then DLGITEMTEMPLATEs, each DWORD-aligned,
// with their texts in UTF-16.
class TemplateWriter {
 public:
  void Dialog(DWORD style, short itemCount, short cx, short cy, const char* caption, short pointSize, const char* font) {
    DLGTEMPLATE header = {};
    header.style = style;
    header.cdit = static_cast<WORD>(itemCount);
    header.cx = cx;
    header.cy = cy;
    Append(&header, sizeof header);
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(caption);
    Word(static_cast<WORD>(pointSize));
    Text(font);
  }

  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom, const char* text) {
    Align();
    DLGITEMTEMPLATE item = {};
    item.style = style | WS_CHILD;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    Append(&item, sizeof item);
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);  // no creation data
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

 private:
  void Append(const void* data, size_t size) {
    const BYTE* from = static_cast<const BYTE*>(data);
    bytes_.insert(bytes_.end(), from, from + size);
  }
  void Word(WORD value) { Append(&value, sizeof value); }
  void Text(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::vector<WCHAR> wide(length > 0 ? length : 1, 0);
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    Append(wide.data(), wide.size() * sizeof(WCHAR));
  }
  void Align() {
    while (bytes_.size() % 4) bytes_.push_back(0);
  }
  // DWORD-aligned storage for the template.
  std::vector<BYTE> bytes_;
};

const WORD kButtonClass = 0x0080;

struct DialogState {
  const std::string* caption;
  OptionBoxes* boxes;
};

INT_PTR CALLBACK OptionsProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      state = reinterpret_cast<DialogState*>(lParam);
      SetWindowTextA(dialog, state->caption->c_str());
      for (const OptionBox& box : state->boxes->box) {
        if (!box.shown) continue;
        ShowWindow(GetDlgItem(dialog, box.id), SW_SHOW);
        CheckDlgButton(dialog, box.id, box.checked ? BST_CHECKED : BST_UNCHECKED);
      }
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kOptionsContinueId:
          for (OptionBox& box : state->boxes->box) box.checked = IsDlgButtonChecked(dialog, box.id) == BST_CHECKED;
          EndDialog(dialog, 1);
          return TRUE;
        case kOptionsCancelId:
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool ChooseInstallOptions(FrontEnd& ui, const std::string& caption, OptionBoxes& boxes) {
  TemplateWriter writer;
  writer.Dialog(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 2 + kOptionBoxCount, 278, 62,
                "Options", 8, "MS Sans Serif");
  writer.Item(BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 221, 7, 50, 14, kOptionsContinueId, kButtonClass, "Continue");
  writer.Item(BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 221, 24, 50, 14, kOptionsCancelId, kButtonClass, "Cancel");
  short y = 7;
  for (const OptionBox& box : boxes.box) {
    // Hidden at creation: the letters of the script decide which boxes appear.
    writer.Item(BS_AUTOCHECKBOX | WS_TABSTOP, 7, y, 208, 10, static_cast<WORD>(box.id), kButtonClass, box.text);
    y += 12;
  }
  DialogState state = {&caption, &boxes};
  INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), writer.Get(),
                                           static_cast<HWND>(ui.OwnerWindow()), OptionsProcedure,
                                           reinterpret_cast<LPARAM>(&state));
  return result == 1;
}

}  // namespace installer

#include "framework/dialog_template.h"

#include <cctype>

#include "platform/resources.h"

namespace {

// Reads the template's little-endian fields, never past its end.
class TemplateReader {
 public:
  TemplateReader(const unsigned char* data, size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  uint16_t word() {
    if (position_ + 2 > size_) return fail();
    uint16_t value = static_cast<uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
    position_ += 2;
    return value;
  }
  uint32_t dword() {
    uint32_t low = word();
    return low | (static_cast<uint32_t>(word()) << 16);
  }
  void skip(size_t bytes) { position_ + bytes <= size_ ? position_ += bytes : fail(); }
  void alignToDword() { skip((4 - position_ % 4) % 4); }
  // A zero-terminated UTF-16 string kept as single bytes (the templates are plain text).
  std::string text() {
    std::string result;
    for (uint16_t c = word(); ok_ && c != 0; c = word()) result += static_cast<char>(c < 256 ? c : '?');
    return result;
  }
  // A string or an ordinal (0xFFFF followed by a number).
  std::string textOrOrdinal(uint16_t* ordinal) {
    *ordinal = 0;
    if (position_ + 2 <= size_ && data_[position_] == 0xFF && data_[position_ + 1] == 0xFF) {
      word();
      *ordinal = word();
      return std::string();
    }
    return text();
  }

 private:
  uint16_t fail() {
    ok_ = false;
    position_ = size_;
    return 0;
  }
  const unsigned char* data_;
  size_t size_;
  size_t position_ = 0;
  bool ok_ = true;
};

bool SameClass(const std::string& a, const char* b) {
  if (a.size() != std::char_traits<char>::length(b)) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

ControlKind KindOf(uint16_t atom, const std::string& className, uint32_t style) {
  enum : uint16_t { kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83, kComboBox = 0x85 };
  if (!atom) {
    if (SameClass(className, "msctls_updown32")) return ControlKind::UpDown;
    if (SameClass(className, "button")) atom = kButton;
    else if (SameClass(className, "edit")) atom = kEdit;
    else if (SameClass(className, "static")) atom = kStatic;
    else if (SameClass(className, "listbox")) atom = kListBox;
    else if (SameClass(className, "combobox")) atom = kComboBox;
  }
  switch (atom) {
    case kButton:
      switch (style & 0xF) {
        case 0x0: case 0x1: return ControlKind::PushButton;
        case 0x2: case 0x3: return ControlKind::CheckBox;
        case 0x4: case 0x9: return ControlKind::RadioButton;
        case 0x7: return ControlKind::GroupBox;
        case 0xB: return ControlKind::OwnerDrawButton;
        default: return ControlKind::Other;
      }
    case kEdit: return ControlKind::Edit;
    case kStatic: return ControlKind::Static;
    case kListBox: return ControlKind::ListBox;
    case kComboBox: return ControlKind::ComboBox;
    default: return ControlKind::Other;
  }
}

}  // namespace

bool ParseDialogTemplate(const unsigned char* data, size_t size, DialogTemplate* out) {
  TemplateReader in(data, size);
  if (in.word() != 1 || in.word() != 0xFFFF) return false;  // version 1, extended
  in.dword();  // help id
  in.dword();  // extended style
  uint32_t style = in.dword();
  uint16_t count = in.word();
  in.skip(4);  // x, y
  out->width = static_cast<int16_t>(in.word());
  out->height = static_cast<int16_t>(in.word());
  uint16_t ordinal;
  in.textOrOrdinal(&ordinal);  // menu
  in.textOrOrdinal(&ordinal);  // window class
  out->caption = in.text();
  if (style & 0x40) {  // DS_SETFONT: point size, weight, italic, charset, face
    in.skip(6);
    in.text();
  }
  out->controls.clear();
  for (uint16_t i = 0; i < count && in.ok(); ++i) {
    in.alignToDword();
    in.dword();  // help id
    in.dword();  // extended style
    ControlTemplate control;
    control.style = in.dword();
    control.x = static_cast<int16_t>(in.word());
    control.y = static_cast<int16_t>(in.word());
    control.width = static_cast<int16_t>(in.word());
    control.height = static_cast<int16_t>(in.word());
    control.id = static_cast<int>(in.dword());
    uint16_t atom;
    std::string className = in.textOrOrdinal(&atom);
    uint16_t textOrdinal;
    control.text = in.textOrOrdinal(&textOrdinal);
    in.skip(in.word());  // creation data
    control.kind = KindOf(atom, className, control.style);
    out->controls.push_back(control);
  }
  return in.ok();
}

bool LoadDialogTemplate(unsigned id, DialogTemplate* out) {
  platform::ResourceBytes bytes;
  return platform::FindDialogTemplate(id, &bytes) && ParseDialogTemplate(bytes.data, bytes.size, out);
}

#include "framework/headless_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "framework/help_about.h"

namespace {

bool ParseNumber(const std::string& word, int* value) {
  if (word.empty()) return false;
  char* end = nullptr;
  long parsed = std::strtol(word.c_str(), &end, 10);
  if (*end != '\0') return false;
  *value = static_cast<int>(parsed);
  return true;
}

}  // namespace

bool ParseDialogActions(const std::string& script, std::vector<DialogAction>* actions, ActionRefusal* refusal) {
  *refusal = MakeRefusal(RefusalKind::None);
  std::istringstream lines(script);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string verb, id, first, second;
    words >> verb;
    if (verb.empty() || verb[0] == '#') continue;
    DialogAction action;
    action.line = number;
    words >> id;
    bool ok = ParseNumber(id, &action.id);
    if (verb == "set") {
      action.kind = DialogAction::Kind::SetText;
      std::getline(words, action.text);
      if (!action.text.empty() && action.text[0] == ' ') action.text.erase(0, 1);
    } else if (verb == "click" || verb == "check" || verb == "uncheck") {
      action.kind = verb == "click"   ? DialogAction::Kind::Click
                    : verb == "check" ? DialogAction::Kind::Check
                                      : DialogAction::Kind::Uncheck;
    } else if (verb == "select" || verb == "dblclick" || verb == "shift-dblclick") {
      action.kind = verb == "select" ? DialogAction::Kind::Select : DialogAction::Kind::DoubleClick;
      action.shift = verb == "shift-dblclick";
      words >> first;
      ok = ok && ParseNumber(first, &action.index);
    } else if (verb == "drag") {
      action.kind = DialogAction::Kind::Drag;
      words >> first >> second;
      ok = ok && ParseNumber(first, &action.index) && ParseNumber(second, &action.to);
    } else {
      ok = false;
    }
    if (!ok) {
      *refusal = MakeRefusal(RefusalKind::NotAnAction, number, 0, 0, line);
      return false;
    }
    actions->push_back(action);
  }
  return true;
}

HeadlessDialog::HeadlessDialog(const DialogTemplate& dialogTemplate)
    : template_(dialogTemplate), title_(dialogTemplate.caption) {
  for (const ControlTemplate& source : dialogTemplate.controls) {
    if (source.id == -1 || source.id == 0xFFFF) continue;  // unnamed statics
    Control control;
    control.source = source;
    control.text = source.text;
    control.enabled = (source.style & kStyleDisabled) == 0;
    controls_[source.id] = control;
    order_.push_back(source.id);
  }
}

HeadlessDialog::Control* HeadlessDialog::find(int id) {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

std::string HeadlessDialog::itemText(int id) {
  Control* c = find(id);
  return c ? c->text : std::string();
}

void HeadlessDialog::setItemText(int id, const std::string& text) {
  if (Control* c = find(id)) c->text = text;
}

bool HeadlessDialog::isChecked(int id) {
  Control* c = find(id);
  return c && c->checked;
}

void HeadlessDialog::setChecked(int id, bool checked) {
  if (Control* c = find(id)) c->checked = checked;
}

bool HeadlessDialog::isEnabled(int id) {
  Control* c = find(id);
  return c && c->enabled;
}

void HeadlessDialog::enable(int id, bool enabled) {
  if (Control* c = find(id)) c->enabled = enabled;
}

void HeadlessDialog::setUpDownRange(int id, int minimum, int maximum) {
  if (Control* c = find(id)) {
    c->minimum = minimum;
    c->maximum = maximum;
  }
}

void HeadlessDialog::upDownRange(int id, int* minimum, int* maximum) {
  Control* c = find(id);
  *minimum = c ? c->minimum : 0;
  *maximum = c ? c->maximum : 0;
}

void HeadlessDialog::setUpDownPosition(int id, int position) {
  Control* c = find(id);
  if (!c) return;
  int low = c->minimum < c->maximum ? c->minimum : c->maximum;
  int high = c->minimum < c->maximum ? c->maximum : c->minimum;
  if (position < low) position = low;
  if (position > high) position = high;
  // The buddy edit field shows the position, as with UDS_SETBUDDYINT.
  setItemText(id - 10000, std::to_string(position));
}

void HeadlessDialog::comboAdd(int id, const std::string& text) {
  if (Control* c = find(id)) c->items.push_back({text, 0});
}

int HeadlessDialog::comboSelection(int id) {
  Control* c = find(id);
  return c ? c->selection : -1;
}

void HeadlessDialog::setComboSelection(int id, int index) {
  Control* c = find(id);
  if (!c) return;
  c->selection = index >= 0 && index < static_cast<int>(c->items.size()) ? index : -1;
  c->text = c->selection >= 0 ? c->items[c->selection].text : std::string();
}

int HeadlessDialog::listCount(int id) {
  Control* c = find(id);
  return c ? static_cast<int>(c->items.size()) : 0;
}

int HeadlessDialog::listInsert(int id, int index, const std::string& text, intptr_t data) {
  Control* c = find(id);
  if (!c) return -1;
  int count = static_cast<int>(c->items.size());
  if (index < 0) index = count;
  if (index > count) return -1;
  c->items.insert(c->items.begin() + index, Item{text, data});
  // Inserting before the selected item keeps that item selected.
  if (c->selection >= index) ++c->selection;
  if (c->caret >= index) ++c->caret;
  if (c->caret < 0) c->caret = 0;
  return index;
}

void HeadlessDialog::listDelete(int id, int index) {
  Control* c = find(id);
  if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return;
  c->items.erase(c->items.begin() + index);
  if (c->selection == index) c->selection = -1;
  else if (c->selection > index) --c->selection;
  if (c->caret > index) --c->caret;
  int count = static_cast<int>(c->items.size());
  if (c->caret >= count) c->caret = count - 1;
}

intptr_t HeadlessDialog::listData(int id, int index) {
  Control* c = find(id);
  if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return 0;
  return c->items[index].data;
}

std::string HeadlessDialog::listText(int id, int index) {
  Control* c = find(id);
  if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return std::string();
  return c->items[index].text;
}

int HeadlessDialog::listSelection(int id) {
  Control* c = find(id);
  return c ? c->selection : -1;
}

void HeadlessDialog::setListSelection(int id, int index) {
  Control* c = find(id);
  if (!c) return;
  c->selection = index >= 0 && index < static_cast<int>(c->items.size()) ? index : -1;
  if (c->selection >= 0) c->caret = c->selection;
}

int HeadlessDialog::listCaret(int id) {
  Control* c = find(id);
  return c && !c->items.empty() ? c->caret : -1;
}

void HeadlessDialog::enableListDragging(int id) {
  if (Control* c = find(id)) c->draggable = true;
}

void HeadlessDialog::showMessage(const std::string& text, const std::string& title) {
  messages_.push_back({text, title});
  if (sink_) sink_(text, title);
}

void HeadlessDialog::end(int result) {
  if (over()) return;
  ended_ = true;
  result_ = result;
}

void HeadlessDialog::destroy() { destroyed_ = true; }

void HeadlessDialog::showAbout(const AboutInfo& about) { showMessage(AboutText(about), about.productName); }

void HeadlessDialog::drainPosted(DialogHandler& handler) {
  while (!posted_.empty() && !over()) {
    std::pair<int, int> command = posted_.front();
    posted_.erase(posted_.begin());
    handler.onCommand(*this, command.first, command.second);
  }
}

void HeadlessDialog::click(DialogHandler& handler, Control& control) {
  if (control.source.kind == ControlKind::CheckBox) {
    control.checked = !control.checked;
  } else if (control.source.kind == ControlKind::RadioButton) {
    // Automatic radio buttons: the group runs from a control marked as a group start up
    // to the next one.
    size_t self = 0;
    while (order_[self] != control.source.id) ++self;
    size_t first = self;
    while (first > 0 && !(controls_[order_[first]].source.style & kStyleGroup)) --first;
    for (size_t i = first; i < order_.size(); ++i) {
      Control& other = controls_[order_[i]];
      if (i > first && (other.source.style & kStyleGroup)) break;
      if (other.source.kind == ControlKind::RadioButton) other.checked = false;
    }
    control.checked = true;
  }
  focus_ = control.source.id;
  handler.onCommand(*this, control.source.id, kButtonClicked);
}

bool HeadlessDialog::perform(DialogHandler& handler, const DialogAction& action, ActionRefusal* refusal) {
  Control* control = find(action.id);
  auto refuse = [&](RefusalKind kind) {
    *refusal = MakeRefusal(kind, action.line, action.id, action.index);
    return false;
  };
  if (!control) return refuse(RefusalKind::NoControl);
  if (!control->enabled) return refuse(RefusalKind::Disabled);
  ControlKind kind = control->source.kind;
  int count = static_cast<int>(control->items.size());
  switch (action.kind) {
    case DialogAction::Kind::SetText:
      if (kind != ControlKind::Edit) break;
      control->text = action.text;
      handler.onCommand(*this, action.id, kEditChange);
      return true;
    case DialogAction::Kind::Click:
      if (kind != ControlKind::PushButton && kind != ControlKind::CheckBox &&
          kind != ControlKind::RadioButton && kind != ControlKind::OwnerDrawButton)
        break;
      click(handler, *control);
      return true;
    case DialogAction::Kind::Check:
    case DialogAction::Kind::Uncheck:
      if (kind != ControlKind::CheckBox && kind != ControlKind::RadioButton) break;
      if (control->checked != (action.kind == DialogAction::Kind::Check)) click(handler, *control);
      return true;
    case DialogAction::Kind::Select:
    case DialogAction::Kind::DoubleClick:
      if (kind != ControlKind::ComboBox && kind != ControlKind::ListBox) break;
      if (action.index < 0 || action.index >= count) return refuse(RefusalKind::NoItem);
      if (kind == ControlKind::ComboBox) {
        if (action.kind != DialogAction::Kind::Select) break;
        setComboSelection(action.id, action.index);
        handler.onCommand(*this, action.id, kComboSelectionChange);
        if (!over()) handler.onCommand(*this, action.id, kComboCloseUp);
        return true;
      }
      setListSelection(action.id, action.index);
      handler.onCommand(*this, action.id, kListSelectionChange);
      if (action.kind == DialogAction::Kind::DoubleClick && !over()) {
        shiftDown_ = action.shift;
        handler.onCommand(*this, action.id, kListDoubleClick);
        shiftDown_ = false;
      }
      return true;
    case DialogAction::Kind::Drag:
      if (kind != ControlKind::ListBox || !control->draggable) break;
      if (action.index < 0 || action.index >= count || action.to < 0 || action.to >= count)
        return refuse(RefusalKind::NoSuchItems);
      handler.onListDrag(*this, action.id, action.index, action.to);
      return true;
  }
  return refuse(RefusalKind::WrongAction);
}

int HeadlessDialog::run(DialogHandler& handler, const std::vector<DialogAction>& actions, ActionRefusal* refusal) {
  *refusal = MakeRefusal(RefusalKind::None);
  handler.onInit(*this);
  drainPosted(handler);
  bool failed = false;
  for (const DialogAction& action : actions) {
    if (over()) break;
    if (!perform(handler, action, refusal)) {
      failed = true;
      break;
    }
    drainPosted(handler);
  }
  if (!over() && !failed && stateSink_) stateSink_(describe());
  if (!over()) {
    handler.onCommand(*this, kIdCancel, kButtonClicked);  // Escape
    if (!over()) end(0);
  }
  handler.onDestroy(*this);
  return failed || destroyed_ ? -1 : result_;
}

namespace {

void AppendJsonText(std::string* out, const std::string& text) {
  *out += '"';
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') *out += '\\', *out += static_cast<char>(c);
    else if (c == '\n') *out += "\\n";
    else if (c < 0x20 || c >= 0x7F) {  // the templates' texts are single bytes (Latin-1)
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      *out += escaped;
    } else {
      *out += static_cast<char>(c);
    }
  }
  *out += '"';
}

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::PushButton: return "button";
    case ControlKind::CheckBox: return "check";
    case ControlKind::RadioButton: return "radio";
    case ControlKind::GroupBox: return "group";
    case ControlKind::OwnerDrawButton: return "drawn";
    case ControlKind::Edit: return "edit";
    case ControlKind::Static: return "label";
    case ControlKind::ListBox: return "list";
    case ControlKind::ComboBox: return "combo";
    case ControlKind::UpDown: return "updown";
    case ControlKind::Other: break;
  }
  return "other";
}

}  // namespace

std::string HeadlessDialog::describe() const {
  std::string out = "{\"title\":";
  AppendJsonText(&out, title_);
  out += ",\"width\":" + std::to_string(template_.width) + ",\"height\":" + std::to_string(template_.height) +
         ",\"controls\":[";
  bool first = true;
  for (const ControlTemplate& source : template_.controls) {
    auto found = controls_.find(source.id);
    const Control* control = found != controls_.end() && found->second.source.x == source.x &&
                                     found->second.source.y == source.y
                                 ? &found->second
                                 : nullptr;
    out += first ? "{" : ",{";
    first = false;
    out += "\"kind\":\"" + std::string(KindName(source.kind)) + "\",\"id\":" + std::to_string(control ? source.id : -1) +
           ",\"x\":" + std::to_string(source.x) + ",\"y\":" + std::to_string(source.y) +
           ",\"w\":" + std::to_string(source.width) + ",\"h\":" + std::to_string(source.height) + ",\"text\":";
    AppendJsonText(&out, control ? control->text : source.text);
    bool enabled = control ? control->enabled : (source.style & kStyleDisabled) == 0;
    out += std::string(",\"enabled\":") + (enabled ? "true" : "false");
    if (!control) {
      out += "}";
      continue;
    }
    out += std::string(",\"checked\":") + (control->checked ? "true" : "false") +
           ",\"selection\":" + std::to_string(control->selection) +
           ",\"minimum\":" + std::to_string(control->minimum) + ",\"maximum\":" + std::to_string(control->maximum) +
           ",\"items\":[";
    for (size_t i = 0; i < control->items.size(); ++i) {
      if (i) out += ",";
      AppendJsonText(&out, control->items[i].text);
    }
    out += "]}";
  }
  return out + "]}";
}

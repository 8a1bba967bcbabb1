// Why a user action on a dialog could not be carried out, as a value. The headless
// dialog and the Windows dialog driver make one; the host turns it into the user's
// words (it knows which option asked for the action); DescribeRefusal gives the plain
// sentence. The record is plain data, so that it can cross the plug-in boundary inside
// the host's session record.
#pragma once

#include <cstdint>
#include <string>

// kind, then the sentence's pattern: %L the line, %C the control, %I the item, %T the text.
#define KESTREL_REFUSAL_KINDS(X)                                          \
  X(None, "")                                                             \
  X(NotAnAction, "line %L: not an action: %T")                            \
  X(NoControl, "line %L: the dialog has no control %C")                   \
  X(Disabled, "line %L: control %C is disabled")                          \
  X(NoItem, "line %L: control %C has no item %I")                         \
  X(NoSuchItems, "line %L: control %C has no such items")                 \
  X(WrongAction, "line %L: control %C does not take that action")         \
  X(NoTemplate, "the dialog template cannot be read")                     \
  X(NeedsWindows, "screenshots need real dialog windows: use fwhost.exe, the Windows build")

enum class RefusalKind : int32_t {
#define KESTREL_REFUSAL_ENUM(name, text) name,
  KESTREL_REFUSAL_KINDS(KESTREL_REFUSAL_ENUM)
#undef KESTREL_REFUSAL_ENUM
};

struct ActionRefusal {
  RefusalKind kind;
  int32_t line;     // the action's line in the action list, from 1; 0 for none
  int32_t control;  // the control's id
  int32_t item;     // the list item asked for, from 0
  char text[200];   // NotAnAction: the line's text (cut to fit)

  bool refused() const { return kind != RefusalKind::None; }
};

// A refusal of `kind` for the action on `line` at `control` (and `item`).
ActionRefusal MakeRefusal(RefusalKind kind, int line = 0, int control = 0, int item = 0,
                          const std::string& text = "");

// The refusal as a sentence: "line 3: control 117 is disabled"; empty for none.
std::string DescribeRefusal(const ActionRefusal& refusal);

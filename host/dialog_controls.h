// `fwhost EFFECT --controls`: the controls of an effect's dialog as its headless dialog
// describes them (framework/headless_dialog.h), as a table for people who drive them
// with --set, --check, --uncheck, --click, --select and --dblclick.
#pragma once

#include <string>

#include "host/effect_table.h"

// The table of the controls in `state` (HeadlessDialog::describe), one line each:
// id, kind, state, label and value, and the options that work it. Empty when `state`
// cannot be read.
std::string DialogControlsTable(const EffectRow& row, const std::string& state);

// Runs the plug-in's main dialog modally with the front end of the target: real
// Windows dialogs, or the headless dialog driven by a HeadlessSession on POSIX.
#pragma once

#include "framework/effect.h"
#include "framework/host_interface.h"

// Runs template 1000 with the effect's logic; returns when the dialog has closed.
void RunPluginDialog(WindowHandle owner, const HostBuildRecord* host, Effect& effect);

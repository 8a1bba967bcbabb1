// The installer's invisible window of class "ddeClass", which receives the messages of
// the Program Manager conversation. Made once at start-up, kept until exit.
#pragma once

#include <windows.h>

namespace installer {

// Registers the class and creates the hidden window; false when either fails.
bool CreateDdeWindow(HINSTANCE instance);

// Destroys the window (any conversation is over by then).
void DestroyDdeWindow();

// The window, or null before CreateDdeWindow.
HWND DdeWindow();

// The server window of the conversation, or null when none is connected.
HWND ProgramManagerServer();

}  // namespace installer

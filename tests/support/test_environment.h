// Points the "Windows directory" of the native build at a private folder for the test
// run, so tests never touch the user's settings files. (The Windows build under Wine
// uses the prefix's own Windows directory.)
#pragma once

#include <string>

// The directory settings files of this test run live in.
std::string TestWindowsDirectory();

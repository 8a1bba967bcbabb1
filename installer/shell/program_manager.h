// Program groups and their items for the install script's `groupcreate` and `groupadd`.
//
// Windows: a DDE conversation with Program Manager (or the shell standing in for it),
// carried by the installer's hidden "ddeClass" window (win32/dde_window.h).
// POSIX: a group becomes a submenu of the desktop's applications menu, its items desktop
// entries in that submenu (posix/desktop_entry.h). Neither target ever shows a message.
#pragma once

#include <string>

namespace installer {

// Makes ready what the groups need, once at start-up (Windows: the hidden window of
// the conversation); false when that cannot be made.
bool PrepareProgramGroups();

// Deletes the group and creates it anew, empty; it becomes the current group. The name
// is remembered (its first 1024 characters) even when no group could be made.
void CreateProgramGroup(const std::string& group);

// Adds an item to the current group: its command line, its title, and its icon file
// (empty: the command line's program).
void AddProgramItem(const std::string& commandLine, const std::string& title, const std::string& iconFile);

// Ends the conversation when the action pass ends with `actionResult`: after success
// the group is saved and its window placed; after failure the shell is only given
// back to the user.
void EndProgramGroups(int actionResult);

// The longest group name kept.
constexpr size_t kGroupNameLimit = 1024;

}  // namespace installer

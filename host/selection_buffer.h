// The selection buffer of the multiple-file request (operation 7): zero-terminated
// strings ended by an empty string. One string: the full path of the one file. More:
// a directory, then the names of the chosen files in that directory.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Writes the selection of `paths` (full paths) into `buffer`. Several paths must share
// one directory. False, with the reason in `error`, when they do not, when there is no
// path, or when the selection does not fit in `size` bytes.
bool WriteSelectionBuffer(const std::vector<std::string>& paths, char* buffer, size_t size, std::string* error);

// The full paths a selection buffer names, in its order (a separator is put between the
// directory and each name unless the directory ends with one). Stops at the end of the
// buffer even when the final empty string is missing.
std::vector<std::string> ReadSelectionBuffer(const char* buffer, size_t size);

// The directory part of a path and its name part.
std::string DirectoryOf(const std::string& path);
std::string NameOf(const std::string& path);

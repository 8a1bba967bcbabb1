// Private-profile (INI) files, read with the Windows rules: a file name without a
// directory is looked up in the Windows directory (platform/directories.h); section and
// key names are compared without regard to case; the value is the text after "=",
// without surrounding blanks or one pair of enclosing quotes.
#pragma once

#include <string>

namespace platform {

// The value of `key` in `section` of `file`, cut to `maxLength` characters, or
// `fallback` when the file, section or key is missing.
std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& fallback, const std::string& file,
                              size_t maxLength);

// The integer value of `key`: its leading decimal digits (with an optional minus sign),
// 0 when the value does not begin with a number, `fallback` when the key is missing.
int ReadProfileInt(const std::string& section, const std::string& key, int fallback,
                   const std::string& file);

// Writes `value` under `key` in `section` of `file`, creating the file, the section or
// the key as needed; false when the file cannot be written.
bool WriteProfileEntry(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file);

}  // namespace platform

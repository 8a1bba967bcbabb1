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

}  // namespace platform

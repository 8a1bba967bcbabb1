// The integer reading of a profile value, the same on every target: the value is read as
// text and converted here, so an empty or odd value gives the same number everywhere.
#include "platform/profile.h"

namespace platform {

int ReadProfileInt(const std::string& section, const std::string& key, int fallback,
                   const std::string& file) {
  // A value no key can have: tells a missing key from an empty value.
  const std::string missing("\x01");
  std::string value = ReadProfileString(section, key, missing, file, 64);
  if (value == missing) return fallback;
  size_t i = 0;
  bool negative = !value.empty() && value[0] == '-';
  if (negative) ++i;
  long long number = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    number = number * 10 + (value[i] - '0');
    if (number > 0x7FFFFFFF) number = 0x7FFFFFFF;
  }
  return static_cast<int>(negative ? -number : number);
}

}  // namespace platform

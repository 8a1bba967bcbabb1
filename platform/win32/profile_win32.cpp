#include <windows.h>

#include <vector>

#include "platform/profile.h"

namespace platform {

std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& fallback, const std::string& file,
                              size_t maxLength) {
  std::vector<char> buffer(maxLength + 1, '\0');
  DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(),
                                          buffer.data(), static_cast<DWORD>(buffer.size()),
                                          file.c_str());
  return std::string(buffer.data(), length);
}

bool WriteProfileEntry(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

}  // namespace platform

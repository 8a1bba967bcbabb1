// Paths handed to the Windows test programs on their command line.
#pragma once

#include <string>

// Command-line paths come from the build machine; Wine sees its root as drive Z:.
inline std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

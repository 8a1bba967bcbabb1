// Paths and the start of the Windows test programs run under Wine.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

// Command-line paths come from the build machine; Wine sees its root as drive Z:.
inline std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// The main of a plug-in's dialog tests: PROGRAM MODULE ARTEFACT-DIRECTORY. Keeps both
// paths in Windows form (the artefact directory made if needed) and runs the tests.
inline int RunPluginDialogTests(int argc, char** argv, const char* module, std::string* modulePath,
                                std::string* artefacts) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s %s ARTEFACT-DIRECTORY\n", argv[0], module);
    return 2;
  }
  *modulePath = WindowsPath(argv[1]);
  *artefacts = WindowsPath(argv[2]);
  CreateDirectoryA(artefacts->c_str(), nullptr);
  return RUN_ALL_TESTS();
}

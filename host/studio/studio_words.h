// What a studio page did in an effect's dialog, as the fwhost command line that does the
// same. The page sends its steps, one a line, in the order they were made:
//   set ID TEXT            typed TEXT into edit field ID
//   check ID | uncheck ID  ticked or cleared check box ID
//   click ID               pressed button ID (a radio button is chosen)
//   select ID INDEX        chose item INDEX of list or combo box ID
//   dblclick ID INDEX      double-clicked item INDEX of list ID
//   picture FILE           pressed Add (or Select image) and chose the uploaded FILE
//   paste FILE             pasted the uploaded FILE with the Paste button
//   colour ID #rrggbb      pressed colour button ID and chose the colour
//   listcolour ID INDEX #rrggbb|random  double-clicked item INDEX of colour list ID and
//                          chose the colour (random: with Shift)
// Each step becomes the effect's own option where one does the same (--step 5, --corner
// upper-left, --paper-colour 255,0,0), else the generic one (--set, --click, ...), so the
// command line shown is one a person would write, and the one that runs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/effect_table.h"

// The path of an uploaded file for the run and the name shown for it; false when the
// page has no such file.
using StudioFileLookup = std::function<bool(const std::string& file, std::string* path, std::string* shown)>;

struct StudioWords {
  std::vector<std::string> run;    // the words that run, with the files' private paths
  std::vector<std::string> shown;  // the same with the files' own names
};

// False, with the reason, when a line is not a step or names no uploaded file.
bool StudioStepsToWords(const EffectRow& row, const std::string& steps, const StudioFileLookup& files,
                        StudioWords* words, std::string* error);

// The words as one command line for a POSIX shell, quoted where needed.
std::string ShellCommandLine(const std::vector<std::string>& words);

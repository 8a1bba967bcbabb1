// The Page Curl plug-in: a list of pictures, each peeling away from a corner to reveal
// the next, the last revealing the first again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "effects/pagecurl/pagecurl_manifest.h"
#include "framework/effect.h"

// Height of a list item, in pixels.
constexpr int kCurlListItemHeight = 100;

struct PageCurlSettings {
  int32_t mattColour = kCurlBuiltInPaper;  // MainMattcolour
  int32_t stepSize = kCurlBuiltInStep;
  int32_t pause = kCurlBuiltInPause;
  int32_t horizontal = 0;
  int32_t direction = 32;  // 32 upper left, 16 lower left, 8 upper right, 4 lower right
  int32_t randomType = 0;  // kept and written back, not used
  int32_t randomValue = 8634;
  char fileNamePath[kSettingTextSize] = "";
};

class PageCurlEffect : public Effect {
 public:
  PageCurlEffect();

  PageCurlSettings settings;

  void initControls(Dialog& dialog) override;
  void settingsToControls(Dialog& dialog) override;
  void finishInit(Dialog& dialog) override;
  void updateButtons(Dialog& dialog) override;
  void controlsToSettings(Dialog& dialog) override;
  bool onCommand(Dialog& dialog, const Host& host, int id, int notification) override;
  void onListDrag(Dialog& dialog, int listId, int from, int to) override;
  int prepareSources(BuildContext& build) override;
  int renderFrames(BuildContext& build, FrameList* frames) override;
  void releaseBuild(BuildContext& build) override;
  void releaseSources(Dialog& dialog) override;

 protected:
  void addSettings(SettingsTable& table) override;

 private:
  void add(Dialog& dialog, const Host& host);
  void paste(Dialog& dialog, const Host& host);
  void remove(Dialog& dialog);
  void choosePaperColour(Dialog& dialog, const Host& host);
  // Makes an item for `picture` and inserts it after the selected item; shows "Memory
  // error" and frees the picture when that fails.
  bool insertAfterSelection(Dialog& dialog, DibImage picture, const std::string& name);
  void showPaperColour(Dialog& dialog);

  bool sheetInserted_ = false;  // the plain sheet of a single-picture build
};

// The selection buffer of HostOpOpenFiles as full paths in the order they are added:
// one string is the one file; otherwise a directory and names, at most 260 of them,
// sorted in ascending byte order.
std::vector<std::string> SelectedPaths(const char* buffer, size_t size);

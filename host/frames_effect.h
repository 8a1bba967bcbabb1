// The effect built into the host: the pictures given, in order, are the frames of the
// animation. It runs through the same main dialog and build as every plug-in (colour
// reduction, Supercompress, delivery), so any frame sequence can use that pipeline.
//
// Its dialog has a list of pictures with "&Add" (125), which asks the host for files
// (operation 7) and appends them in the order of the selection, each loaded at once
// (operation 8), and "&Remove" (126). Pictures of different sizes are centred on a black
// canvas of the largest width and height.
#pragma once

#include <string>
#include <vector>

#include "framework/effect.h"

constexpr int kFramesList = 124;
constexpr int kFramesAdd = 125;
constexpr int kFramesRemove = 126;

class FramesEffect : public Effect {
 public:
  FramesEffect();
  ~FramesEffect() override;

  const EffectDescription& description() const override { return description_; }
  CommonSettings& common() override { return settings_; }
  const SettingsEntry* settingsTable(size_t* count) override;
  void updateButtons(Dialog& dialog) override;
  bool onCommand(Dialog& dialog, const Host& host, int id, int notification) override;
  int renderFrames(BuildContext& build, FrameList* frames) override;
  void releaseSources(Dialog& dialog) override;

 private:
  struct Picture {
    std::string path;
    DibImage image;
  };
  void add(Dialog& dialog, const Host& host);
  void remove(Dialog& dialog);

  EffectDescription description_;
  CommonSettings settings_;
  SettingsEntry table_[12];
  std::vector<Picture> pictures_;  // in list order
};

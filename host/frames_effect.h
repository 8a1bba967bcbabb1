// The effect built into the host: the pictures given, in order, are the frames of the
// animation. It runs through the same main dialog and build as every plug-in (colour
// reduction, Supercompress, delivery), so any frame sequence can use that pipeline.
//
// Its dialog has a list of pictures with "&Add" (125), which asks the host for files
// (operation 7) and appends them in the order of the selection, each loaded at once, and
// "&Remove" (126). A file is loaded with every frame it holds (kHostOpLoadFrames): an
// animated GIF or WebP adds each frame as it is shown, one list item each, with its own
// delay unless the host leaves the delay to the dialog. Pictures of different sizes are
// centred on a black canvas of the largest width and height.
#pragma once

#include <string>
#include <vector>

#include "framework/effect.h"
#include "host/effect_table.h"
#include "host/picture_file.h"

// A request that only fwhost serves, for the effect built into it: every frame of the
// picture file whose path is `argument`, put into the PictureFrames that `data` points
// to. A frame's delay is 0 where the dialog's delay is to be used. Non-zero when served.
constexpr HostOperation kHostOpLoadFrames = static_cast<HostOperation>(0x4B46);

constexpr int kFramesList = 124;
constexpr int kFramesAdd = 125;
constexpr int kFramesRemove = 126;

bool FramesBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out);
void FramesWaysOut(const OptionValues& values, std::string* text);

// The effect's manifest: the common controls at their usual ids and no options of its own;
// one frame per picture.
inline constexpr EffectManifest kFramesManifest{
    kFramesEffectName,
    nullptr,
    "Frames",
    "the given pictures as the frames of the animation (built in)",
    SourceKind::PictureList,
    kFramesAdd,
    CommonControlIds{},
    DelayField{{1, 1000, 10}, {1, 1000, 10}, 10},
    nullptr,
    0,
    FrameRule{&FramesBuildExtent, &FramesWaysOut},
};

class FramesEffect : public Effect {
 public:
  FramesEffect();
  ~FramesEffect() override;

  void updateButtons(Dialog& dialog) override;
  bool onCommand(Dialog& dialog, const Host& host, int id, int notification) override;
  int renderFrames(BuildContext& build, FrameList* frames) override;
  void releaseSources(Dialog& dialog) override;

 private:
  struct Picture {
    std::string path;
    DibImage image;
    int delay;  // hundredths of a second; 0: the dialog's delay
  };
  void add(Dialog& dialog, const Host& host);
  void remove(Dialog& dialog);

  std::vector<Picture> pictures_;  // in list order
};

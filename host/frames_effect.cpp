#include "host/frames_effect.h"

#include <atomic>

#include "framework/messages.h"
#include "framework/parallel.h"
#include "host/selection_buffer.h"

bool FramesBuildExtent(const OptionValues& values, size_t pictures, int width, int height, BuildExtent* out) {
  if (pictures == 0) return false;
  *out = BuildExtent{static_cast<long>(pictures), width, height};
  return true;
}

void FramesWaysOut(const OptionValues& values, std::string* text) { *text += "\n  fewer pictures"; }

FramesEffect::FramesEffect()
    : Effect(EffectDescription{kFramesManifest, "Frames - the given pictures as an animation (built into fwhost)",
                               "FRAMES", "FWHOSTFR.INI", AboutInfo{"Frames", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3},
                               7005}) {}

FramesEffect::~FramesEffect() {
  for (Picture& picture : pictures_) FreeDibImage(picture.image);
}

void FramesEffect::updateButtons(Dialog& dialog) {
  bool any = !pictures_.empty();
  dialog.enable(kIdOk, any);
  dialog.enable(manifest().ids.test, any);
  dialog.enable(kFramesRemove, any);
}

bool FramesEffect::onCommand(Dialog& dialog, const Host& host, int id, int notification) {
  if (id == kFramesAdd) add(dialog, host);
  else if (id == kFramesRemove) remove(dialog);
  else if (id != kFramesList) return false;
  updateButtons(dialog);
  return true;
}

// Appends the chosen files in the order of the selection, every frame of each; a file
// that cannot be read stops the Add with "Error reading file", keeping the files before it.
void FramesEffect::add(Dialog& dialog, const Host& host) {
  std::vector<char> buffer(kOpenFilesBufferSize);
  if (!host.openFiles(dialog.window(), buffer.data())) return;
  bool stopped = false;
  for (const std::string& path : ReadSelectionBuffer(buffer.data(), buffer.size())) {
    PictureFrames loaded;
    if (!host.call(nullptr, kHostOpLoadFrames, reinterpret_cast<intptr_t>(path.c_str()),
                   reinterpret_cast<intptr_t>(&loaded)) ||
        loaded.empty()) {
      ShowMessage(dialog, kMsgErrorReadingFile);
      break;
    }
    for (size_t i = 0; i < loaded.size() && !stopped; ++i) {
      std::string item = loaded.size() == 1 ? path
                                            : path + " (frame " + std::to_string(i + 1) + " of " +
                                                  std::to_string(loaded.size()) + ")";
      if (dialog.listInsert(kFramesList, -1, item, 0) < 0) {
        ShowMessage(dialog, kMsgMemoryError);
        stopped = true;
        break;
      }
      const int delay = loaded[i].delay;
      pictures_.push_back(Picture{item, loaded.take(i), delay});
    }
    if (stopped) break;
  }
  dialog.setListSelection(kFramesList, dialog.listCount(kFramesList) - 1);
}

void FramesEffect::remove(Dialog& dialog) {
  int index = dialog.listCaret(kFramesList);
  if (index < 0 || index >= static_cast<int>(pictures_.size())) return;
  FreeDibImage(pictures_[index].image);
  pictures_.erase(pictures_.begin() + index);
  dialog.listDelete(kFramesList, index);
  int count = dialog.listCount(kFramesList);
  dialog.setListSelection(kFramesList, index < count ? index : count - 1);
}

int FramesEffect::renderFrames(BuildContext& build, FrameList* frames) {
  int32_t canvasWidth = 0, canvasHeight = 0;
  for (const Picture& picture : pictures_) {
    int32_t width = 0, height = 0;
    if (!GetDibImageInfo(picture.image, &width, &height, nullptr, nullptr)) return 0;
    if (width > canvasWidth) canvasWidth = width;
    if (height > canvasHeight) canvasHeight = height;
  }
  // Each frame is made from its own picture, on the build's threads; the list takes them
  // in order afterwards.
  const int32_t count = static_cast<int32_t>(pictures_.size());
  std::vector<DibImage> made(pictures_.size(), nullptr);
  std::atomic<int32_t> done{0};
  bool ok = ParallelFor(build.threads, count, [&](int32_t i, int worker) {
    if (worker == 0) build.host.progress(done.load(), count);
    DibImage source = pictures_[i].image;
    int32_t width = 0, height = 0;
    int bits = 0;
    GetDibImageInfo(source, &width, &height, &bits, nullptr);
    if (bits == 24 && width == canvasWidth && height == canvasHeight) {
      // The OK build is the last one before the pictures are released, so it takes them
      // as its frames rather than copying them.
      if (build.test) {
        made[i] = DuplicateDibImage(source);
      } else {
        made[i] = source;
        pictures_[i].image = nullptr;
      }
    } else {
      DibImage trueColour = ConvertToTrueColour(source);
      if (trueColour)
        made[i] = PlaceOnCanvas(trueColour, 0, canvasWidth, canvasHeight, (canvasWidth - width) / 2,
                                (canvasHeight - height) / 2);
      FreeDibImage(trueColour);
    }
    ++done;
    return made[i] != nullptr;
  });
  for (int32_t i = 0; i < count; ++i) {
    const int32_t delay = pictures_[i].delay > 0 ? pictures_[i].delay : build.settings.mainDelay;
    if (ok && AppendFrame(frames, made[i], delay)) continue;
    ok = false;
    FreeDibImage(made[i]);
  }
  return ok ? 1 : 0;
}

void FramesEffect::releaseSources(Dialog& dialog) {
  for (Picture& picture : pictures_) FreeDibImage(picture.image);
  pictures_.clear();
}

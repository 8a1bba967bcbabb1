#include "effects/pagecurl/pagecurl_effect.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "effects/pagecurl/curl_render.h"
#include "effects/pagecurl/source_item.h"
#include "framework/main_dialog.h"
#include "framework/messages.h"
#include "platform/directories.h"

namespace {

constexpr size_t kMostNamesPerAdd = 260;

// Item data of list entry `index` as its block.
platform::MemoryHandle ItemBlock(Dialog& dialog, int index) {
  return reinterpret_cast<platform::MemoryHandle>(dialog.listData(kCurlSourceList, index));
}

int32_t FieldValue(Dialog& dialog, int id) {
  return static_cast<int32_t>(ReadFieldNumber(dialog.itemText(id)));
}

void ReportProgress(void* context, int32_t done, int32_t total) {
  static_cast<const Host*>(context)->progress(done, total);
}

}  // namespace

std::vector<std::string> SelectedPaths(const char* buffer, size_t size) {
  std::vector<std::string> strings;
  size_t at = 0;
  while (at < size && buffer[at]) {
    size_t length = strnlen(buffer + at, size - at);
    strings.emplace_back(buffer + at, length);
    at += length + 1;
  }
  if (strings.size() <= 1) return strings;
  std::string directory = strings[0];
  std::vector<std::string> names(strings.begin() + 1, strings.end());
  if (names.size() > kMostNamesPerAdd) names.resize(kMostNamesPerAdd);
  std::stable_sort(names.begin(), names.end(),
                   [](const std::string& a, const std::string& b) { return std::strcmp(a.c_str(), b.c_str()) < 0; });
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(platform::JoinPath(directory, name));
  return paths;
}

PageCurlEffect::PageCurlEffect()
    : Effect(EffectDescription{kPageCurlManifest, "Page Curl - Kestrel #1 plug-in set by Varnel Quillon", "PAGECURL",
                               "FWPLGCRL.INI",
                               AboutInfo{"Page Curl Plugin", "FWPLGKS1.HTML", "fwplgks1.txt", 2, 0, 'a', 3}, 7005}) {}

void PageCurlEffect::addSettings(SettingsTable& table) {
  table.add("FileNamePath", settings.fileNamePath);
  table.add("MainDirection", &settings.direction);
  table.add("MainHorizontal", &settings.horizontal);
  table.add("MainMattcolour", &settings.mattColour);
  table.add("MainPause", &settings.pause);
  table.add("MainStepsize", &settings.stepSize);
  table.add("RandomType", &settings.randomType);
  table.add("RandomValue", &settings.randomValue);
}

void PageCurlEffect::initControls(Dialog& dialog) {
  dialog.enableListDragging(kCurlSourceList);
  dialog.setListItemHeight(kCurlSourceList, kCurlListItemHeight);
}

void PageCurlEffect::settingsToControls(Dialog& dialog) {
  dialog.setItemText(kCurlPause, std::to_string(settings.pause));
  dialog.setItemText(kCurlStepSize, std::to_string(settings.stepSize));
  dialog.setChecked(kCurlHorizontal, settings.horizontal == 1);
  dialog.setChecked(kCurlVertical, settings.horizontal != 1);
  int corner = settings.direction == 32   ? kCurlUpperLeftButton
               : settings.direction == 16 ? kCurlLowerLeftButton
               : settings.direction == 8  ? kCurlUpperRightButton
                                          : kCurlLowerRightButton;
  dialog.setChecked(corner, true);
}

void PageCurlEffect::finishInit(Dialog& dialog) { showPaperColour(dialog); }

void PageCurlEffect::showPaperColour(Dialog& dialog) {
  dialog.setItemText(kCurlPaperColour, ColourText(settings.mattColour));
  dialog.repaint(kCurlPaperColour);
}

void PageCurlEffect::updateButtons(Dialog& dialog) {
  bool any = dialog.listCount(kCurlSourceList) > 0;
  dialog.enable(kIdOk, any);
  dialog.enable(manifest().ids.test, any);
  dialog.enable(kCurlRemove, any);
}

void PageCurlEffect::controlsToSettings(Dialog& dialog) {
  settings.pause = FieldValue(dialog, kCurlPause);
  // A step of 0 would draw the same frame for ever: the field keeps to its range.
  settings.stepSize = ReadClampedField(dialog, kCurlStepSize);
  settings.horizontal = dialog.isChecked(kCurlHorizontal) ? 1 : 0;
  settings.direction = dialog.isChecked(kCurlUpperLeftButton)    ? 32
                       : dialog.isChecked(kCurlLowerLeftButton)  ? 16
                       : dialog.isChecked(kCurlUpperRightButton) ? 8
                                                                 : 4;
}

bool PageCurlEffect::onCommand(Dialog& dialog, const Host& host, int id, int notification) {
  switch (id) {
    case kCurlAdd:
      add(dialog, host);
      return true;
    case kCurlPaste:
      paste(dialog, host);
      return true;
    case kCurlRemove:
      remove(dialog);
      return true;
    case kCurlPaperColour:
      if (notification == kButtonClicked) choosePaperColour(dialog, host);
      return true;
    case kCurlSourceList:
      if (notification == kListSelectionChange) updateButtons(dialog);
      if (notification == kListDoubleClick && dialog.listCaret(kCurlSourceList) < 0)
        ShowMessage(dialog, kMsgMemoryError);
      return true;
    default:
      return false;
  }
}

bool PageCurlEffect::insertAfterSelection(Dialog& dialog, DibImage picture, const std::string& name) {
  platform::MemoryHandle block =
      MakeSourceItem(picture, name.c_str(), FieldValue(dialog, kCurlPause), FieldValue(dialog, manifest().ids.delay));
  int selected = dialog.listSelection(kCurlSourceList);
  if (!block || dialog.listInsert(kCurlSourceList, selected + 1, " ", reinterpret_cast<intptr_t>(block)) < 0) {
    if (block) FreeSourceItem(block);
    else FreeDibImage(picture);
    ShowMessage(dialog, kMsgMemoryError);
    return false;
  }
  return true;
}

void PageCurlEffect::add(Dialog& dialog, const Host& host) {
  std::vector<char> buffer(kOpenFilesBufferSize, '\0');
  if (!host.openFiles(dialog.window(), buffer.data())) return;
  for (const std::string& path : SelectedPaths(buffer.data(), buffer.size())) {
    DibImage picture = host.loadImage(path.c_str());
    if (!picture) {
      ShowMessage(dialog, kMsgErrorReadingFile);
      break;
    }
    if (!insertAfterSelection(dialog, picture, path)) break;
  }
  dialog.setListSelection(kCurlSourceList, dialog.listCount(kCurlSourceList) - 1);
  updateButtons(dialog);
}

void PageCurlEffect::paste(Dialog& dialog, const Host& host) {
  DibImage picture = host.pasteImage(dialog.window());
  if (!picture) ShowMessage(dialog, kClipboardError);
  else insertAfterSelection(dialog, picture, kClipboardItemName);
  dialog.setListSelection(kCurlSourceList, dialog.listCount(kCurlSourceList) - 1);
  updateButtons(dialog);
}

void PageCurlEffect::remove(Dialog& dialog) {
  int index = dialog.listCaret(kCurlSourceList);
  if (index >= 0) {
    FreeSourceItem(ItemBlock(dialog, index));
    dialog.listDelete(kCurlSourceList, index);
    int count = dialog.listCount(kCurlSourceList);
    dialog.setListSelection(kCurlSourceList, index < count ? index : count - 1);
  }
  updateButtons(dialog);
}

void PageCurlEffect::onListDrag(Dialog& dialog, int listId, int from, int to) {
  if (listId != kCurlSourceList || from == to) return;
  std::string text = dialog.listText(listId, from);
  intptr_t data = dialog.listData(listId, from);
  if (dialog.listInsert(listId, to, text, data) < 0) return;
  dialog.listDelete(listId, to <= from ? from + 1 : from);
  dialog.setListSelection(listId, to);
}

void PageCurlEffect::choosePaperColour(Dialog& dialog, const Host& host) {
  int32_t colour = settings.mattColour;
  if (!host.chooseColour(dialog.window(), &colour, settings.mattColour)) return;
  settings.mattColour = colour;
  showPaperColour(dialog);
}

int PageCurlEffect::prepareSources(BuildContext& build) {
  Dialog& dialog = build.dialog;
  int count = dialog.listCount(kCurlSourceList);
  if (count == 0) {
    ShowMessage(dialog, kMsgMemoryError);
    return 0;
  }
  if (count == 1) {
    // A single picture animates from and back to a plain sheet of the paper colour.
    SourceItem only;
    int32_t width = 0, height = 0;
    if (!ReadSourceItem(ItemBlock(dialog, 0), &only) ||
        !GetDibImageInfo(only.picture, &width, &height, nullptr, nullptr)) {
      ShowMessage(dialog, kMsgMemoryError);
      return 0;
    }
    DibImage sheet = CreateDibImage(width, height, nullptr, 24);
    if (sheet) {
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) SetDibPixel(sheet, x, y, settings.mattColour);
    }
    platform::MemoryHandle block =
        sheet ? MakeSourceItem(sheet, kPlainSheetName, FieldValue(dialog, kCurlPause),
                               FieldValue(dialog, manifest().ids.delay))
              : nullptr;
    if (!block || dialog.listInsert(kCurlSourceList, 0, " ", reinterpret_cast<intptr_t>(block)) < 0) {
      if (block) FreeSourceItem(block);
      else FreeDibImage(sheet);
      ShowMessage(dialog, kMsgMemoryError);
      return 0;
    }
    sheetInserted_ = true;
    count = 2;
  }
  build.host.setStatus("Calculating");
  int32_t canvasWidth = 0, canvasHeight = 0;
  for (int i = 0; i < count; ++i) {
    SourceItem item;
    int32_t width = 0, height = 0;
    if (!ReadSourceItem(ItemBlock(dialog, i), &item) ||
        !GetDibImageInfo(item.picture, &width, &height, nullptr, nullptr)) {
      ShowMessage(dialog, kMsgMemoryError);
      return 0;
    }
    canvasWidth = std::max(canvasWidth, width);
    canvasHeight = std::max(canvasHeight, height);
  }
  build.host.setStatus("Adjusting");
  for (int i = 0; i < count; ++i) {
    build.host.progress(i, count);
    platform::MemoryHandle block = ItemBlock(dialog, i);
    SourceItem item;
    int32_t width = 0, height = 0;
    DibImage trueColour = nullptr, placed = nullptr;
    if (ReadSourceItem(block, &item) && GetDibImageInfo(item.picture, &width, &height, nullptr, nullptr)) {
      trueColour = ConvertToTrueColour(item.picture);
      if (trueColour)
        placed = PlaceOnCanvas(trueColour, settings.mattColour, canvasWidth, canvasHeight,
                               (canvasWidth - width) / 2, (canvasHeight - height) / 2);
    }
    FreeDibImage(trueColour);
    if (!placed || !SetWorkingCopy(block, placed)) {
      FreeDibImage(placed);
      ShowMessage(dialog, kMsgMemoryError);
      return 0;
    }
  }
  return 1;
}

int PageCurlEffect::renderFrames(BuildContext& build, FrameList* frames) {
  Dialog& dialog = build.dialog;
  int count = dialog.listCount(kCurlSourceList);
  std::vector<DibImage> pictures;
  for (int i = 0; i < count; ++i) {
    SourceItem item;
    if (!ReadSourceItem(ItemBlock(dialog, i), &item)) return 0;
    DibImage workingCopy = item.workingCopy;  // a copy: the packed record's field is unaligned
    if (!workingCopy) return 0;
    pictures.push_back(workingCopy);
  }
  CurlJob job{};
  job.pictures = pictures.data();
  job.count = static_cast<int32_t>(pictures.size());
  job.delay = build.settings.mainDelay;
  job.pause = settings.pause;
  job.paperColour = settings.mattColour;
  job.step = settings.stepSize;
  job.directionBits = (settings.horizontal == 1 ? 1u : 2u) | static_cast<uint32_t>(settings.direction);
  job.frames = frames;
  job.progress = &ReportProgress;
  job.progressContext = const_cast<Host*>(&build.host);
  job.threads = build.threads;
  return RenderCurlFrames(job);
}

void PageCurlEffect::releaseBuild(BuildContext& build) {
  Dialog& dialog = build.dialog;
  for (int i = 0; i < dialog.listCount(kCurlSourceList); ++i) SetWorkingCopy(ItemBlock(dialog, i), nullptr);
  if (sheetInserted_) {
    FreeSourceItem(ItemBlock(dialog, 0));
    dialog.listDelete(kCurlSourceList, 0);
    sheetInserted_ = false;
  }
}

void PageCurlEffect::releaseSources(Dialog& dialog) {
  while (dialog.listCount(kCurlSourceList) > 0) {
    FreeSourceItem(ItemBlock(dialog, 0));
    dialog.listDelete(kCurlSourceList, 0);
  }
}

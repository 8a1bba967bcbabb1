#include "host/host_service.h"

#include <cstring>

#include "framework/parallel.h"
#include "host/frames_effect.h"
#include "host/picture_file.h"
#include "host/picture_fit.h"
#include "host/selection_buffer.h"
#include "platform/directories.h"
#include "platform/memory.h"

HostService* HostService::current_ = nullptr;

HostService::HostService(ProgressDisplay& display) : display_(display) { current_ = this; }

HostService::~HostService() {
  for (auto& [path, image] : preloaded) FreeDibImage(image);
  if (current_ == this) current_ = nullptr;
  for (DecodedPicture& picture : decoded_) FreeDibImage(picture.image);
}

HostBuildRecord HostService::record(uint32_t capabilities) const {
  HostBuildRecord record;
  std::memset(&record, 0, sizeof record);
  record.callback = &HostService::Callback;
  record.capabilities = capabilities;
  return record;
}

intptr_t HostService::Callback(void* task, int32_t operation, intptr_t argument, intptr_t data) {
  return current_ ? current_->serve(task, operation, argument, data) : 0;
}

void HostService::showMessage(const std::string& text, const std::string& title) {
  ++messages_;
  display_.message(text, title);
}

intptr_t HostService::serve(void* task, int32_t operation, intptr_t argument, intptr_t data) {
  switch (operation) {
    case HostOpCreateTask:
    case HostOpCreateTestTask:
      if (task || !data || (stopRequested && stopRequested())) return 0;
      return createTask(operation, reinterpret_cast<const NewTaskRecord*>(data));
    case HostOpAddImage:
      if (!open_ || task != task_ || !data || (stopRequested && stopRequested())) return 0;
      delivery_.sequence.push_back(operation);
      return addImage(reinterpret_cast<const AddImageRecord*>(data));
    case HostOpAddComment:
      if (!open_ || task != task_) return 0;
      delivery_.sequence.push_back(operation);
      delivery_.hasComment = data != 0;
      delivery_.comment = data ? reinterpret_cast<const char*>(data) : "";
      return 1;
    case HostOpFinishTask:
      if (!open_ || task != task_) return 0;
      delivery_.sequence.push_back(operation);
      delivery_.finished = static_cast<int32_t>(argument);
      if (argument == 1) completed_.push_back(std::move(delivery_));
      else ++abandoned_;
      delivery_ = Delivery();
      open_ = false;
      task_ = nullptr;
      return 1;
    case HostOpOpenFile:
    case HostOpOpenFiles:
      return data ? openFiles(operation, reinterpret_cast<char*>(data)) : 0;
    case HostOpLoadImage:
      return data ? loadImage(reinterpret_cast<const char*>(data)) : 0;
    case HostOpSetStatus:
      if (data) display_.status(reinterpret_cast<const char*>(data));
      return 1;
    case HostOpChooseColour: {
      if (!data || colours.empty()) return 0;
      auto* request = reinterpret_cast<ColourRequestRecord*>(data);
      request->colour = colours.front();
      colours.pop_front();
      return 1;
    }
    case HostOpProgress:
      display_.progress(static_cast<long>(argument), static_cast<long>(data));
      return 1;
    case HostOpPasteImage:
      if (clipboardFile.empty()) return 0;
      return loadImage(clipboardFile.c_str());
    case kHostOpLoadFrames:
      if (!argument || !data) return 0;
      return loadFrames(reinterpret_cast<const char*>(argument), reinterpret_cast<PictureFrames*>(data));
    default:
      return 0;
  }
}

intptr_t HostService::createTask(int32_t operation, const NewTaskRecord* record) {
  if (open_) ++abandoned_;  // a delivery that never finished
  delivery_ = Delivery();
  Delivery& d = delivery_;
  d.test = operation == HostOpCreateTestTask;
  d.sequence.push_back(operation);
  d.recordSize = record->size;
  d.version = record->version;
  d.windowSet = record->window != nullptr;
  d.width = record->width;
  d.height = record->height;
  d.bits = record->bitsPerPixel;
  d.zero24 = record->zero24;
  d.palette = record->palette;
  d.zero796 = record->zero796;
  d.frameCount = record->frameCount;
  for (char c : record->zero804)
    if (c != 0) d.tailZero = false;
  open_ = true;
  task_ = record;
  return 1;
}

intptr_t HostService::addImage(const AddImageRecord* record) {
  DeliveredImage frame;
  frame.recordSize = record->size;
  frame.version = record->version;
  frame.imageSet = record->image != nullptr;
  frame.zero12 = record->zero12;
  frame.delay = record->delay;
  std::memcpy(frame.zero20, record->zero20, sizeof frame.zero20);
  frame.frameNumber = record->frameNumber;
  frame.transparentKey = record->transparentKey;
  std::memcpy(frame.zero40, record->zero40, sizeof frame.zero40);
  // The image stays the plug-in's: copy it now. A frame the host cannot read is refused.
  platform::BlockLock lock(record->image);
  if (!lock) return 0;
  const auto* bytes = static_cast<const uint8_t*>(lock.data());
  frame.bitmap.assign(bytes, bytes + platform::BlockSize(record->image));
  FramePicture picture;
  if (!ReadFramePicture(frame.bitmap, &picture)) return 0;
  delivery_.frames.push_back(std::move(frame));
  return 1;
}

void HostService::decodeAhead() {
  decodedAhead_ = true;
  for (const std::vector<std::string>& selection : selections) {
    for (const std::string& path : selection) {
      // A multiple selection reaches the plug-in as a directory and names.
      std::string named = selection.size() == 1 ? path : platform::JoinPath(DirectoryOf(path), NameOf(path));
      if (preloaded.count(named)) continue;  // decoded already, when the pictures were checked
      decoded_.push_back(DecodedPicture{named, nullptr});
    }
  }
  const int32_t count = static_cast<int32_t>(decoded_.size());
  if (count < 2) {  // nothing to share: decode when asked
    decoded_.clear();
    return;
  }
  ParallelFor(BuildThreadCount(), count, [this](int32_t i, int) {
    std::string error;
    decoded_[i].image = LoadPictureFile(decoded_[i].path, &error);
    return true;
  });
}

intptr_t HostService::openFiles(int32_t operation, char* buffer) {
  if (selections.empty()) return 0;  // the user cancelled the file dialog
  if (!decodedAhead_) decodeAhead();
  std::vector<std::string> paths = selections.front();
  selections.pop_front();
  std::string error;
  if (operation == HostOpOpenFile) {
    if (paths.size() != 1 || paths[0].size() >= kOpenFilePathSize) {
      display_.message("the path does not fit the plug-in's request: " + (paths.empty() ? "" : paths[0]), "fwhost");
      return 0;
    }
    std::memcpy(buffer, paths[0].c_str(), paths[0].size() + 1);
    return 1;
  }
  if (!WriteSelectionBuffer(paths, buffer, kOpenFilesBufferSize, &error)) {
    display_.message(error, "fwhost");
    return 0;
  }
  return 1;
}

intptr_t HostService::loadImage(const char* path) {
  for (DecodedPicture& picture : decoded_) {
    if (picture.image && picture.path == path) {
      DibImage image = picture.image;
      picture.image = nullptr;  // the plug-in's now
      return reinterpret_cast<intptr_t>(FitPicture(OwnedDib(image), fitWidth, fitHeight).release());
    }
  }
  std::string error;
  DibImage image = nullptr;
  auto found = preloaded.find(path);
  if (found != preloaded.end()) {
    image = found->second;
    preloaded.erase(found);
  } else {
    image = LoadPictureFile(path, &error);
    if (!image && !reported.count(path)) display_.message(std::string(path) + ": " + error, "fwhost");
  }
  // The plug-in's from here on.
  return reinterpret_cast<intptr_t>(FitPicture(OwnedDib(image), fitWidth, fitHeight).release());
}

intptr_t HostService::loadFrames(const char* path, PictureFrames* frames) {
  frames->clear();
  auto found = preloadedFrames.find(path);
  if (found != preloadedFrames.end()) {
    *frames = std::move(found->second);
    preloadedFrames.erase(found);
  } else {
    auto still = preloaded.find(path);
    if (still != preloaded.end()) {
      frames->add(still->second, 0);
      preloaded.erase(still);
    } else {
      if (!budget_) budget_ = std::make_unique<FrameBudget>(frameBudget);
      std::string error;
      if (!LoadPictureFrames(path, *budget_, frames, &error)) {
        if (!reported.count(path)) display_.message(std::string(path) + ": " + error, "fwhost");
        frames->clear();
        return 0;
      }
    }
  }
  // Each frame the plug-in receives, fitted as a loaded picture is; a frame that cannot
  // be fitted fails the whole file.
  PictureFrames fitted;
  for (size_t i = 0; i < frames->size(); ++i) {
    const int delay = keepFileDelays ? (*frames)[i].delay : 0;
    if (!fitted.add(FitPicture(OwnedDib(frames->take(i)), fitWidth, fitHeight).release(), delay)) {
      frames->clear();
      return 0;
    }
  }
  *frames = std::move(fitted);
  return 1;
}

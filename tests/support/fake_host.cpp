#include "tests/support/fake_host.h"

#include <cstring>

#include "platform/memory.h"

FakeHost* FakeHost::current_ = nullptr;

DibImage FlatPicture(int32_t width, int32_t height, int32_t colour) {
  DibImage image = CreateDibImage(width, height, nullptr, 24);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) SetDibPixel(image, x, y, colour);
  return image;
}

int32_t FramePixel(const DeliveredFrame& frame, int32_t x, int32_t y) {
  DibImage image = platform::AllocateBlock(frame.bitmap.size());
  {
    platform::BlockLock lock(image);
    if (lock) std::memcpy(lock.data(), frame.bitmap.data(), frame.bitmap.size());
  }
  int32_t value = GetDibPixel(image, x, y);
  FreeDibImage(image);
  return value;
}

int FrameBits(const DeliveredFrame& frame) {
  DibHeader header{};
  if (frame.bitmap.size() >= sizeof header) std::memcpy(&header, frame.bitmap.data(), sizeof header);
  return header.biBitCount;
}

FakeHost::FakeHost() {
  record.callback = &FakeHost::Callback;
  record.capabilities = HostCapsOptimise | HostCapsTrueColour;
  current_ = this;
}

FakeHost::~FakeHost() {
  if (current_ == this) current_ = nullptr;
  reset();
}

void FakeHost::reset() {
  for (DibImage image : imagesToLoad) FreeDibImage(image);
  imagesToLoad.clear();
  FreeDibImage(pasteImage);
  pasteImage = nullptr;
  record.callback = &FakeHost::Callback;
  record.capabilities = HostCapsOptimise | HostCapsTrueColour;
  createTaskResult = 1;
  refuseImageAt = -1;
  openFilesSelection.clear();
  openFilePath.clear();
  chosenColour = -1;
  failAllocationsInBuild = -1;
  calls.clear();
  tasks.clear();
  loadedPaths.clear();
  colourRequests.clear();
}

intptr_t FakeHost::Callback(void* task, int32_t operation, intptr_t argument, intptr_t data) {
  return current_ ? current_->serve(task, operation, argument, data) : 0;
}

std::vector<int32_t> FakeHost::operations() const {
  std::vector<int32_t> result;
  for (const HostCall& call : calls) result.push_back(call.operation);
  return result;
}

std::vector<std::string> FakeHost::statusTexts() const {
  std::vector<std::string> result;
  for (const HostCall& call : calls)
    if (call.operation == HostOpSetStatus) result.push_back(call.text);
  return result;
}

intptr_t FakeHost::serve(void* task, int32_t operation, intptr_t argument, intptr_t data) {
  HostCall call{operation, argument, task != nullptr, std::string()};
  intptr_t result = 0;
  switch (operation) {
    case HostOpCreateTask:
    case HostOpCreateTestTask: {
      const auto* record = reinterpret_cast<const NewTaskRecord*>(data);
      DeliveredTask delivered;
      delivered.test = operation == HostOpCreateTestTask;
      delivered.width = record->width;
      delivered.height = record->height;
      delivered.bits = record->bitsPerPixel;
      delivered.frameCount = record->frameCount;
      delivered.palette = record->palette;
      if (createTaskResult) tasks.push_back(delivered);
      result = createTaskResult;
      break;
    }
    case HostOpAddImage: {
      const auto* record = reinterpret_cast<const AddImageRecord*>(data);
      if (record->frameNumber == refuseImageAt || tasks.empty()) break;
      DeliveredFrame frame{record->delay, record->frameNumber, record->transparentKey, {}};
      platform::BlockLock lock(record->image);
      if (lock) {
        const auto* bytes = static_cast<const unsigned char*>(lock.data());
        frame.bitmap.assign(bytes, bytes + platform::BlockSize(record->image));
      }
      tasks.back().frames.push_back(frame);
      result = 1;
      break;
    }
    case HostOpAddComment:
      call.text = reinterpret_cast<const char*>(data);
      if (!tasks.empty()) tasks.back().comment = call.text;
      break;
    case HostOpFinishTask:
      if (!tasks.empty()) tasks.back().finished = static_cast<int>(argument);
      break;
    case HostOpOpenFiles: {
      if (openFilesSelection.empty()) break;
      char* buffer = reinterpret_cast<char*>(data);
      size_t at = 0;
      for (const std::string& s : openFilesSelection) {
        std::memcpy(buffer + at, s.c_str(), s.size() + 1);
        at += s.size() + 1;
      }
      buffer[at] = '\0';
      result = 1;
      break;
    }
    case HostOpOpenFile:
      if (openFilePath.empty()) break;
      std::memcpy(reinterpret_cast<char*>(data), openFilePath.c_str(), openFilePath.size() + 1);
      result = 1;
      break;
    case HostOpLoadImage:
      call.text = reinterpret_cast<const char*>(data);
      loadedPaths.push_back(call.text);
      if (!imagesToLoad.empty()) {
        result = reinterpret_cast<intptr_t>(imagesToLoad.front());
        imagesToLoad.erase(imagesToLoad.begin());
      }
      break;
    case HostOpPasteImage:
      result = reinterpret_cast<intptr_t>(pasteImage);
      pasteImage = nullptr;
      break;
    case HostOpSetStatus:
      call.text = reinterpret_cast<const char*>(data);
      if (failAllocationsInBuild >= 0 && call.text == "Building") platform::FailAllocationsAfter(failAllocationsInBuild);
      break;
    case HostOpChooseColour:
      colourRequests.push_back(*reinterpret_cast<ColourRequestRecord*>(data));
      if (chosenColour >= 0) {
        reinterpret_cast<ColourRequestRecord*>(data)->colour = chosenColour;
        result = 1;
      }
      break;
    default:
      break;
  }
  calls.push_back(call);
  return result;
}

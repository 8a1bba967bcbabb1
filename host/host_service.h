// The host side of the contract: serves every operation a plug-in calls through its
// HostCallback and keeps what it delivers.
//
// Answers come from the command line: each file request (operations 6 and 7) takes the
// next prepared selection, each colour request (11) the next prepared colour, the
// clipboard (14) is a picture file. Status and progress go to a ProgressDisplay. A
// delivery (1 or 5, 2..., 3, 4) is copied as it arrives, since the plug-in frees its
// frames afterwards.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/dib_image.h"
#include "framework/host_interface.h"
#include "host/delivery.h"
#include "host/picture_file.h"
#include "host/progress_display.h"

// Room the host assumes in the path buffer of operation 6: 260 characters and a
// terminator.
constexpr size_t kOpenFilePathSize = kRecordTextSize;

class HostService {
 public:
  explicit HostService(ProgressDisplay& display);
  ~HostService();
  HostService(const HostService&) = delete;
  HostService& operator=(const HostService&) = delete;

  // The record handed to PLUGINDoBuild: this service's callback and the capabilities.
  HostBuildRecord record(uint32_t capabilities) const;

  // Answers.
  std::deque<std::vector<std::string>> selections;  // one entry per file request
  std::deque<int32_t> colours;                      // one PackedColour per colour request
  std::string clipboardFile;                        // empty: the clipboard holds no picture
  int fitWidth = 0;                                 // --fit: pictures are scaled to fit inside
  int fitHeight = 0;
  // Pictures decoded already, by path: the first load of each takes it (the service
  // frees those never asked for).
  std::map<std::string, DibImage> preloaded;
  // Every frame of pictures decoded already, by path, for the built-in effect's requests
  // for all the frames of a file (kHostOpLoadFrames); taken like `preloaded`.
  std::map<std::string, PictureFrames> preloadedFrames;
  // Pictures whose problem was said before the run (--keep-going): a load of one fails
  // without saying it again.
  std::set<std::string> reported;
  // Whether a file's frames keep their own delays; false when the user gave --delay.
  bool keepFileDelays = true;
  // What the frames of files decoded when asked for may take together.
  uint64_t frameBudget = UINT64_MAX;

  // Asked when a delivery starts and before each frame: true refuses it, and the
  // plug-in abandons the build as it does when its host cannot take the animation
  // (Stop in fwhost studio). Null: never.
  std::function<bool()> stopRequested;
  // fwhost studio: true asks the plug-in for its dialog's state when the actions have
  // run out, kept in `dialogState` (HeadlessDialog::describe).
  bool wantsDialogState = false;
  std::string dialogState;

  // A message box of the plug-in.
  void showMessage(const std::string& text, const std::string& title);

  // What happened.
  const std::vector<Delivery>& deliveries() const { return completed_; }  // finished with 1
  Delivery& lastDelivery() { return completed_.back(); }
  int abandonedDeliveries() const { return abandoned_; }
  int messageCount() const { return messages_; }

  intptr_t serve(void* task, int32_t operation, intptr_t argument, intptr_t data);

 private:
  static intptr_t HOST_CALLBACK_CONVENTION Callback(void* task, int32_t operation, intptr_t argument,
                                                    intptr_t data);
  intptr_t createTask(int32_t operation, const NewTaskRecord* record);
  intptr_t addImage(const AddImageRecord* record);
  intptr_t openFiles(int32_t operation, char* buffer);
  intptr_t loadImage(const char* path);
  intptr_t loadFrames(const char* path, PictureFrames* frames);
  void decodeAhead();

  // Pictures of the prepared selections, decoded at the first file request on the
  // build threads (BuildThreadCount), each handed out once to the load request that
  // names it. A picture that could not be decoded ahead is decoded again when asked
  // for, so its message is the one it would have had.
  struct DecodedPicture {
    std::string path;  // as the plug-in will name it
    DibImage image;
  };
  std::vector<DecodedPicture> decoded_;
  bool decodedAhead_ = false;
  std::unique_ptr<FrameBudget> budget_;  // made from frameBudget at the first request

  static HostService* current_;
  ProgressDisplay& display_;
  bool open_ = false;  // a delivery is under way
  const void* task_ = nullptr;
  Delivery delivery_;
  std::vector<Delivery> completed_;
  int abandoned_ = 0;
  int messages_ = 0;
};

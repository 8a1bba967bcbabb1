// A host for tests: serves every operation from prepared answers and records every call,
// copying what it is handed (the plug-in frees its frames after the delivery).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/host_interface.h"

struct HostCall {
  int32_t operation;
  intptr_t argument;
  bool hasTask;
  std::string text;  // status, comment or path
};

struct DeliveredFrame {
  int32_t delay;
  int32_t frameNumber;
  int32_t transparentKey;
  std::vector<unsigned char> bitmap;  // the whole packed bitmap
};

struct DeliveredTask {
  bool test = false;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 0;
  int32_t frameCount = 0;
  RgbPalette palette{};
  std::vector<DeliveredFrame> frames;
  std::string comment;
  int finished = -1;  // argument of HostOpFinishTask, -1 before it
};

// A 24-bit picture of one colour, for the host to hand out.
DibImage FlatPicture(int32_t width, int32_t height, int32_t colour);

// Pixel (x, y) of a delivered frame as GetDibPixel reads it, and its bits per pixel.
int32_t FramePixel(const DeliveredFrame& frame, int32_t x, int32_t y);
int FrameBits(const DeliveredFrame& frame);

class FakeHost {
 public:
  FakeHost();
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // Back to the state of a new host: default answers, nothing recorded.
  void reset();

  // The record handed to PLUGINDoBuild / MainDialog.
  HostBuildRecord record{};

  // Answers.
  intptr_t createTaskResult = 1;
  int refuseImageAt = -1;  // frame number whose HostOpAddImage returns 0
  std::vector<std::string> openFilesSelection;  // strings of the selection buffer
  std::string openFilePath;  // the answer to HostOpOpenFile; empty: the user cancels
  std::vector<DibImage> imagesToLoad;  // handed out in order by HostOpLoadImage (0 after)
  DibImage pasteImage = nullptr;
  int32_t chosenColour = -1;  // -1: the chooser is cancelled
  // When not negative, FailAllocationsAfter(this) as the status "Building" is set: an
  // allocation of the build itself fails, never one of the dialog's before it.
  long failAllocationsInBuild = -1;

  // What happened.
  std::vector<HostCall> calls;
  std::vector<DeliveredTask> tasks;
  std::vector<std::string> loadedPaths;
  std::vector<ColourRequestRecord> colourRequests;  // as the plug-in filled them

  std::vector<int32_t> operations() const;
  std::vector<std::string> statusTexts() const;

 private:
  static intptr_t HOST_CALLBACK_CONVENTION Callback(void* task, int32_t operation, intptr_t argument,
                                                    intptr_t data);
  intptr_t serve(void* task, int32_t operation, intptr_t argument, intptr_t data);
  static FakeHost* current_;
};

// Messages the user sees: message boxes titled "Message", texts from the string table.
#pragma once

#include <string>

class Dialog;

constexpr const char* kMessageBoxTitle = "Message";

// String-table ids of every plug-in's messages.
enum MessageId {
  kMsgOk = 0,
  kMsgErrorOpeningFile = 1,
  kMsgCorruptedFile = 2,
  kMsgErrorReadingFile = 3,
  kMsgFunctionCancelled = 4,
  kMsgUnsupportedFunction = 5,
  kMsgMemoryError = 6,
  kMsgInformationError = 7,
  kMsgUnsupportedFormat = 8,
  kMsgErrorRenamingFile = 9,
  kMsgErrorCreatingFile = 10,
  kMsgErrorWritingFile = 11,
  kMsgTooManyColours = 12,
  kMsgUnsuitableImage = 13,
  kMsgResourceError = 14,
  kMsgLibraryError = 15,
};

constexpr const char* kInternalError = "Internal error";
constexpr const char* kCreateTaskError = "Error creating new task.";
constexpr const char* kAddImageError =
    "There has been an error adding an image to the current file object.";
constexpr const char* kClipboardError = "Clipboard error";

// The string-table text of `id`.
std::string MessageText(int id);

// Shows a text, or a string-table message, in a box titled "Message".
void ShowMessage(Dialog& dialog, const std::string& text);
void ShowMessage(Dialog& dialog, MessageId id);

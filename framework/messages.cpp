#include "framework/messages.h"

#include "framework/dialog.h"
#include "platform/resources.h"

std::string MessageText(int id) {
  char text[256];
  platform::LoadStringResource(static_cast<unsigned>(id), text, sizeof text);
  return text;
}

void ShowMessage(Dialog& dialog, const std::string& text) { dialog.showMessage(text, kMessageBoxTitle); }

void ShowMessage(Dialog& dialog, MessageId id) { ShowMessage(dialog, MessageText(id)); }

// The POSIX front end of the main dialog: headless, driven by the host's session record.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/headless_dialog.h"
#include "framework/headless_session.h"
#include "framework/main_dialog.h"
#include "framework/plugin_dialog.h"

namespace {

HeadlessSession* SessionOf(WindowHandle owner) {
  auto* session = static_cast<HeadlessSession*>(owner);
  if (!session || session->size != sizeof(HeadlessSession) || session->version != kHeadlessSessionVersion)
    return nullptr;
  return session;
}

void Report(HeadlessSession* session, int result, const std::string& error) {
  if (!session) {
    if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
    return;
  }
  session->result = result;
  std::snprintf(session->error, sizeof session->error, "%s", error.c_str());
}

}  // namespace

void RunPluginDialog(WindowHandle owner, const HostBuildRecord* host, Effect& effect) {
  HeadlessSession* session = SessionOf(owner);
  DialogTemplate dialogTemplate;
  if (!LoadDialogTemplate(kMainDialogTemplate, &dialogTemplate)) {
    Report(session, -1, "the dialog template cannot be read");
    return;
  }
  std::vector<DialogAction> actions;
  std::string error;
  if (session && session->actions && !ParseDialogActions(session->actions, &actions, &error)) {
    Report(session, -1, error);
    return;
  }
  HeadlessDialog dialog(dialogTemplate);
  dialog.setWindow(owner);
  dialog.setClipboardHasPicture(session && session->clipboardHasPicture);
  dialog.setMessageSink([session](const std::string& text, const std::string& title) {
    if (session && session->showMessage) session->showMessage(session->context, text.c_str(), title.c_str());
    else std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  });
  MainDialog logic(effect, host);
  int result = dialog.run(logic, actions, &error);
  Report(session, result, error);
}

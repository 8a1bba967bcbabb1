// The POSIX front end of the main dialog: headless, driven by the host's session record.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/headless_dialog.h"
#include "framework/headless_session.h"
#include "framework/main_dialog.h"
#include "framework/parallel.h"
#include "framework/plugin_dialog.h"
#include "platform/directories.h"

namespace {

HeadlessSession* SessionOf(WindowHandle owner) {
  auto* session = static_cast<HeadlessSession*>(owner);
  if (!session || session->size != sizeof(HeadlessSession) || session->version != kHeadlessSessionVersion)
    return nullptr;
  return session;
}

void Report(HeadlessSession* session, int result, const ActionRefusal& refusal) {
  if (!session) {
    if (refusal.refused()) std::fprintf(stderr, "%s\n", DescribeRefusal(refusal).c_str());
    return;
  }
  session->result = result;
  session->refusal = refusal;
}

// The session's thread count and settings directory, for the span of one dialog.
class SessionChoices {
 public:
  explicit SessionChoices(const HeadlessSession* session)
      : threads_(SetSessionThreadCount(session ? session->threads : 0)),
        directory_(platform::OverrideWindowsDirectory(session && session->settingsDirectory
                                                          ? session->settingsDirectory
                                                          : "")) {}
  ~SessionChoices() {
    SetSessionThreadCount(threads_);
    platform::OverrideWindowsDirectory(directory_);
  }
  SessionChoices(const SessionChoices&) = delete;
  SessionChoices& operator=(const SessionChoices&) = delete;

 private:
  int threads_;
  std::string directory_;
};

}  // namespace

void RunPluginDialog(WindowHandle owner, const HostBuildRecord* host, Effect& effect) {
  HeadlessSession* session = SessionOf(owner);
  SessionChoices choices(session);
  DialogTemplate dialogTemplate;
  if (!LoadDialogTemplate(kMainDialogTemplate, &dialogTemplate)) {
    Report(session, -1, MakeRefusal(RefusalKind::NoTemplate));
    return;
  }
  std::vector<DialogAction> actions;
  ActionRefusal refusal = MakeRefusal(RefusalKind::None);
  if (session && session->actions && !ParseDialogActions(session->actions, &actions, &refusal)) {
    Report(session, -1, refusal);
    return;
  }
  HeadlessDialog dialog(dialogTemplate);
  dialog.setWindow(owner);
  dialog.setClipboardHasPicture(session && session->clipboardHasPicture);
  dialog.setMessageSink([session](const std::string& text, const std::string& title) {
    if (session && session->showMessage) session->showMessage(session->context, text.c_str(), title.c_str());
    else std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  });
  if (session && session->dialogState)
    dialog.setStateSink([session](const std::string& state) { session->dialogState(session->context, state.c_str()); });
  MainDialog logic(effect, host);
  int result = dialog.run(logic, actions, &refusal);
  Report(session, result, refusal);
}

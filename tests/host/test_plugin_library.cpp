// fwplgtst: the test effect as a real plug-in library, for driving a plug-in through its
// exports with fwhost. Its "&Paste" button (102) takes the clipboard picture, which
// then becomes every frame.
#include "framework/messages.h"
#include "tests/support/test_effect.h"

namespace {

class PastingTestEffect : public TestEffect {
 public:
  ~PastingTestEffect() override { FreeDibImage(pasted_); }

  bool onCommand(Dialog& dialog, const Host& host, int id, int notification) override {
    if (id != kTestPasteButton) return false;
    DibImage picture = host.pasteImage(dialog.window());
    if (!picture) {
      ShowMessage(dialog, kClipboardError);
      return true;
    }
    FreeDibImage(pasted_);
    pasted_ = ConvertToTrueColour(picture);
    FreeDibImage(picture);
    frameMaker = [this](int) { return DuplicateDibImage(pasted_); };
    return true;
  }
  void releaseSources(Dialog& dialog) override {
    FreeDibImage(pasted_);
    pasted_ = nullptr;
    frameMaker = nullptr;
  }

 private:
  DibImage pasted_ = nullptr;
};

}  // namespace

Effect& PluginEffect() {
  static PastingTestEffect effect;
  return effect;
}

// The manifest of the effect built into the host, against its dialog in fwhost's
// resources (this program carries them).
#include <gtest/gtest.h>

#include "host/frames_effect.h"
#include "tests/support/manifest_check.h"

namespace {

TEST(FramesManifest, MatchesTheDialogTemplateAndTheBuiltInSettings) {
  FramesEffect effect;
  EXPECT_EQ(&effect.manifest(), &kFramesManifest);
  ExpectManifestMatchesDialog(effect);
}

}  // namespace

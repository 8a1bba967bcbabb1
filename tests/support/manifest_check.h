// Checks an effect's manifest against the dialog the effect really has. Each effect's
// test program carries that effect's real dialog template, so each runs these checks on
// its own manifest, natively and under Wine.
#pragma once

#include "framework/dialog.h"
#include "framework/dialog_template.h"
#include "framework/effect.h"
#include "framework/effect_manifest.h"

// Every control the manifest names is in the template with the kind its option needs,
// every Number option's up-down text "minimum,maximum,start" gives the manifest's range,
// the dialog's title is the manifest's, and every field, up-down, check box and radio
// button of the template is one of the manifest's controls.
void ExpectManifestMatchesTemplate(const EffectManifest& manifest, const DialogTemplate& dialogTemplate);

// A dialog just opened without a settings file shows the manifest's built-in values:
// the numbers and colours in their controls, the radio button of the choice, the check
// box of a toggle, the Delay.
void ExpectBuiltInValuesShown(const EffectManifest& manifest, Dialog& dialog);

// Both checks for `effect`: its manifest against the main dialog template of the test
// program's resources, then a fresh dialog of the effect, opened without a settings file
// and cancelled.
void ExpectManifestMatchesDialog(Effect& effect);

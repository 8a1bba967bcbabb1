#include "host/effect_table.h"

#include <cstring>

#include "effects/lake/lake_manifest.h"
#include "effects/lens/lens_manifest.h"
#include "effects/pagecurl/pagecurl_manifest.h"
#include "effects/pyrotechnics/pyrotechnics_manifest.h"
#include "effects/ripple/ripple_manifest.h"
#include "host/frames_effect.h"

namespace {

constexpr EffectRow RowOf(const EffectManifest& m) {
  return EffectRow{m.name,
                   m.library,
                   m.title,
                   m.summary,
                   m.sources,
                   m.addButton,
                   m.ids.paste,
                   m.ids,
                   m.delay.optimised.minimum,
                   m.delay.optimised.maximum,
                   m.delay.plain.maximum,
                   m.delay.builtIn,
                   m.options,
                   m.optionCount,
                   &m};
}

constexpr EffectRow kRows[] = {
    RowOf(kPageCurlManifest), RowOf(kPyrotechnicsManifest), RowOf(kRippleManifest),
    RowOf(kLakeManifest),     RowOf(kLensManifest),         RowOf(kFramesManifest),
};

// The controls at the ids most effects use, and the delay range most have.
constexpr EffectRow kGenericRow{"", nullptr, "", "", SourceKind::None, 0, 0, CommonControlIds{}, 1, 100, 1000, 3,
                                nullptr, 0, nullptr};

}  // namespace

const EffectRow* EffectRows(size_t* count) {
  *count = sizeof kRows / sizeof kRows[0];
  return kRows;
}

const EffectRow* FindEffectRow(const char* name) {
  for (const EffectRow& row : kRows)
    if (std::strcmp(row.name, name) == 0) return &row;
  return nullptr;
}

const EffectRow& GenericEffectRow() { return kGenericRow; }

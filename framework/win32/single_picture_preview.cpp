// The owner-drawn item of the single-picture dialog: the preview of its source picture.
// A plug-in built on SinglePictureEffect compiles this file as its PluginDrawItem.
#include "framework/single_picture_dialog.h"
#include "framework/win32/display_palette.h"
#include "framework/win32/win32_dialog.h"

bool PluginDrawItem(Win32Dialog& dialog, const DRAWITEMSTRUCT& item) {
  if (item.CtlID != kPicturePreview) return false;
  auto* effect = dynamic_cast<SinglePictureEffect*>(&PluginEffect());
  DrawImagePreview(item, effect ? effect->source() : nullptr);
  return true;
}

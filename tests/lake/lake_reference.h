// The reflection made the plain way, one CopyDibRect per row as the effect is described,
// with the shift of every row worked out here again. The renderer must give exactly its
// bytes.
#pragma once

#include <cstdint>

#include "framework/dib_image.h"

DibImage ReferenceMirror(DibImage picture);
DibImage ReferenceLakeFrame(DibImage mirror, int32_t frame, int32_t frameCount);
DibImage ReferenceComposeLakeFrame(DibImage picture, DibImage reflection);

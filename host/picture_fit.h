// --fit WxH: a picture scaled down to fit inside W x H pixels, its proportions kept,
// before the plug-in sees it. Scaling filters in linear light (stb_image_resize), so
// fine detail keeps its brightness; the result is a 24-bit picture.
#pragma once

#include "framework/dib_image.h"

// Takes the picture: gives it back when it fits already (or no size is given), else a
// scaled 24-bit copy (the picture is freed). None when memory runs out.
OwnedDib FitPicture(OwnedDib picture, int fitWidth, int fitHeight);

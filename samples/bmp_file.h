// Writing a DibImage as a .bmp file: a 14-byte file header in front of the packed bitmap.
#pragma once

#include "framework/dib_image.h"

// 1 when the whole file was written, 0 otherwise.
int WriteBmpFile(const char* path, DibImage image);

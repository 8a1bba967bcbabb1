// The one translation unit that holds Debian's stb_image_write, with which the tests
// make JPEG files. Its code is not ours: built without warnings or sanitizer checks.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

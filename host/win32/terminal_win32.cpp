#include <io.h>

#include "host/progress_display.h"

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

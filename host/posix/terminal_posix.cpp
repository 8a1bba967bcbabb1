#include <unistd.h>

#include "host/progress_display.h"

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

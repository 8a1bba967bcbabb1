// The common tail of every build: the effect renders true-colour frames; the driver
// reduces their colours, makes unchanged pixels transparent (Supercompress) and delivers
// the animation to the host.
#pragma once

#include <string>

#include "framework/effect.h"

// The text sent with the animation when the comment option is on.
extern const char* const kAnimationComment;

// Runs one build for Test (`test` true) or OK. Returns 1 when the host received a
// complete animation, 0 otherwise (the user has then seen why). Everything the build
// made is released on every path.
int RunBuild(Dialog& dialog, const Host& host, bool test, Effect& effect);

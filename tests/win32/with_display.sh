#!/usr/bin/env bash
# Runs a test that opens windows: as it is when a display is there, else inside a
# virtual display of its own (xvfb-run). With neither, the test is skipped (exit 77)
# with a message saying how to run it.
#   with_display.sh PROGRAM [ARGUMENTS...]
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
if command -v xvfb-run >/dev/null 2>&1; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
fi
echo "skipped: this test opens windows and there is no display (DISPLAY is unset) and no xvfb-run."
echo "Install xvfb (apt-get install xvfb), or run: xvfb-run -a ctest --preset win32"
exit 77

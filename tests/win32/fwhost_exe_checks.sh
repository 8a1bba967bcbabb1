#!/usr/bin/env bash
# fwhost.exe as a user meets it: its help offers only what the build writes, and run
# where no display can be opened it says that the dialog needs one, before any work.
# Runs in a Wine prefix of its own, so that no display of another test reaches it.
#   fwhost_exe_checks.sh WINE_RUN FWHOST_EXE MAKE_SAMPLES WORK_DIR
set -u
wine_run=$1 fwhost_exe=$2 samples=$3 work=$4
rm -rf "$work" && mkdir -p "$work/pictures"
"$samples" "$work/pictures" 2 64 48 || exit 1
export WINEPREFIX=$work/prefix
failed=0
fail() { echo "FAILED: $*"; failed=1; }

help=$("$wine_run" "$fwhost_exe" pagecurl --help 2>&1)
echo "$help" | grep -q -- "--quality" || fail "the help does not offer --quality"
if echo "$help" | grep -qi "webp"; then fail "the help offers WebP, which this build cannot write"; fi
version=$("$wine_run" "$fwhost_exe" --version 2>&1)
[[ "$version" == *"writes GIF and animated PNG"* ]] || fail "--version says: $version"
webp=$("$wine_run" "$fwhost_exe" pagecurl "$work/pictures/scene-01.bmp" -o "$work/x.webp" 2>&1)
[ $? -eq 2 ] && [[ "$webp" == *"writes no WebP"* ]] || fail "a WebP output gave: $webp"

out=$(DISPLAY= "$wine_run" "$fwhost_exe" pagecurl "$work"/pictures/scene-0{1,2}.bmp -o "$work/x.gif" 2>&1)
code=$?
[ $code -eq 2 ] || fail "without a display the exit status is $code, not 2"
[[ "$out" == *"needs a display"* ]] || fail "without a display fwhost.exe says: $out"
[[ "$out" != *"OK:"* ]] || fail "without a display fwhost.exe still says OK"
[ ! -e "$work/x.gif" ] || fail "without a display a GIF was written"
WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
[ $failed -eq 0 ] && echo "fwhost.exe: help, version, WebP refusal and the missing display all as expected"
exit $failed

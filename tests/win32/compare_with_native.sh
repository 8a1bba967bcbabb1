#!/usr/bin/env bash
# The same Page Curl, Lake and Lens builds through fwhost.exe and the real Windows dialog under Wine, and
# through the native fwhost and the headless dialog: their captures must be identical.
#   compare_with_native.sh NATIVE_BUILD_DIR WINE_RUN FWHOST_EXE WORK_DIR
set -u
native_build=$1 wine_run=$2 fwhost_exe=$3 work=$4
native=$native_build/bin/fwhost
samples=$native_build/samples/make_samples
if [ ! -x "$native" ] || [ ! -x "$samples" ]; then
  echo "no native build in $native_build (build the native preset first)"
  exit 77
fi
rm -rf "$work" && mkdir -p "$work/wide" "$work/square"
"$samples" "$work/wide" 2 48 36 && "$samples" "$work/square" 1 40 40 || exit 1
pictures=("$work/wide/scene-01.bmp" "$work/square/scene-01.bmp" "$work/wide/scene-02.bmp")

failed=0
effect=pagecurl
run_case() {
  local name=$1; shift
  "$native" "$effect" "${pictures[@]}" --fresh --quiet "$@" --capture "$work/$name.native" >"$work/$name.native.log" 2>&1
  "$wine_run" "$fwhost_exe" "$effect" "${pictures[@]}" --fresh --quiet "$@" --capture "$work/$name.wine" \
    >"$work/$name.wine.log" 2>&1
  if [ -s "$work/$name.native" ] && cmp -s "$work/$name.native" "$work/$name.wine"; then
    echo "same bytes: $name ($(grep -c '^frame ' "$work/$name.native") frames)"
  else
    echo "DIFFERENT: $name"; cat "$work/$name.native.log" "$work/$name.wine.log"
    failed=1
  fi
}

run_case ok --step 9 --corner lower-right --horizontal
run_case test --step 9 --corner upper-right --test
run_case ok-supercompress --step 11 --supercompress --no-dither
run_case test-supercompress --step 11 --supercompress --test
run_case truecolour-supercompress --step 13 --truecolour --supercompress --corner lower-left
run_case fixed-palette --step 10 --palette 5 --supercompress

# Lake and Lens: one picture through the single-picture dialog's Select image (Lens
# needs at least 64 x 64).
mkdir -p "$work/large" && "$samples" "$work/large" 1 96 72 || exit 1
effect=lake pictures=("$work/wide/scene-01.bmp")
run_case lake-ok --frames 8 --delay 5
run_case lake-reflection-test --frames 6 --reflection-only --test
run_case lake-supercompress --frames 12 --supercompress --no-dither
run_case lake-truecolour --frames 7 --truecolour --supercompress
effect=lens pictures=("$work/large/scene-01.bmp")
run_case lens-ok --diameter 30 --steps 25
run_case lens-test --diameter 100 --steps 40 --test --no-comment
run_case lens-supercompress --diameter 25 --steps 30 --supercompress --palette 5
run_case lens-truecolour --diameter 60 --steps 26 --truecolour
exit $failed

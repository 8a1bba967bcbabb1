#!/usr/bin/env bash
# The same Page Curl builds through fwhost.exe and the real Windows dialog under Wine, and
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
run_case() {
  local name=$1; shift
  "$native" pagecurl "${pictures[@]}" --fresh --quiet "$@" --capture "$work/$name.native" >"$work/$name.native.log" 2>&1
  "$wine_run" "$fwhost_exe" pagecurl "${pictures[@]}" --fresh --quiet "$@" --capture "$work/$name.wine" \
    >"$work/$name.wine.log" 2>&1
  if [ -s "$work/$name.native" ] && cmp -s "$work/$name.native" "$work/$name.wine"; then
    echo "same bytes: $name ($(grep -c '^frame ' "$work/$name.native") frames)"
  else
    echo "DIFFERENT: $name"; cat "$work/$name.native.log" "$work/$name.wine.log"
    failed=1
  fi
}

# The Windows build sharing its work among threads against the native build on one.
run_threads_case() {
  local name=$1; shift
  "$native" pagecurl "${pictures[@]}" --fresh --quiet --threads 1 "$@" --capture "$work/$name.native" \
    >"$work/$name.native.log" 2>&1
  for threads in 2 7; do
    "$wine_run" "$fwhost_exe" pagecurl "${pictures[@]}" --fresh --quiet --threads $threads "$@" \
      --capture "$work/$name.wine$threads" >"$work/$name.wine$threads.log" 2>&1
    if [ -s "$work/$name.native" ] && cmp -s "$work/$name.native" "$work/$name.wine$threads"; then
      echo "same bytes: $name on $threads threads ($(grep -c '^frame ' "$work/$name.native") frames)"
    else
      echo "DIFFERENT: $name on $threads threads"; cat "$work/$name.native.log" "$work/$name.wine$threads.log"
      failed=1
    fi
  done
}

run_case ok --step 9 --corner lower-right --horizontal
run_case test --step 9 --corner upper-right --test
run_case ok-supercompress --step 11 --supercompress --no-dither
run_case test-supercompress --step 11 --supercompress --test
run_case truecolour-supercompress --step 13 --truecolour --supercompress --corner lower-left
run_case fixed-palette --step 10 --palette 5 --supercompress
run_threads_case threads-supercompress --step 7 --supercompress
run_threads_case threads-truecolour --step 8 --truecolour --supercompress --corner upper-left --no-dither
exit $failed

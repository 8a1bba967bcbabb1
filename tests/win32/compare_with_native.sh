#!/usr/bin/env bash
# The same Page Curl, Pyrotechnics, Ripple, Lake and Lens builds through fwhost.exe and the
# real Windows dialog under Wine, and through the native fwhost and the headless dialog:
# their captures must be identical.
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
# One case through both hosts: compare_case NAME EFFECT [PICTURES...] [OPTIONS...]
compare_case() {
  local name=$1; shift
  "$native" "$@" --fresh --quiet --capture "$work/$name.native" >"$work/$name.native.log" 2>&1
  "$wine_run" "$fwhost_exe" "$@" --fresh --quiet --capture "$work/$name.wine" >"$work/$name.wine.log" 2>&1
  if [ -s "$work/$name.native" ] && cmp -s "$work/$name.native" "$work/$name.wine"; then
    echo "same bytes: $name ($(grep -c '^frame ' "$work/$name.native") frames)"
  else
    echo "DIFFERENT: $name"; cat "$work/$name.native.log" "$work/$name.wine.log"
    failed=1
  fi
}
run_case() {
  local name=$1; shift
  compare_case "$name" pagecurl "${pictures[@]}" "$@"
}

# The Windows build sharing its work among threads against the native build on one:
# run_effect_threads_case NAME EFFECT [PICTURES...] [OPTIONS...]
run_effect_threads_case() {
  local name=$1; shift
  "$native" "$@" --fresh --quiet --threads 1 --capture "$work/$name.native" >"$work/$name.native.log" 2>&1
  for threads in 1 2 7; do
    "$wine_run" "$fwhost_exe" "$@" --fresh --quiet --threads $threads \
      --capture "$work/$name.wine$threads" >"$work/$name.wine$threads.log" 2>&1
    if [ -s "$work/$name.native" ] && cmp -s "$work/$name.native" "$work/$name.wine$threads"; then
      echo "same bytes: $name on $threads threads ($(grep -c '^frame ' "$work/$name.native") frames)"
    else
      echo "DIFFERENT: $name on $threads threads"; cat "$work/$name.native.log" "$work/$name.wine$threads.log"
      failed=1
    fi
  done
}
run_threads_case() {
  local name=$1; shift
  run_effect_threads_case "$name" pagecurl "${pictures[@]}" "$@"
}

run_case ok --step 9 --corner lower-right --horizontal
run_case test --step 9 --corner upper-right --test
run_case ok-supercompress --step 11 --supercompress --no-dither
run_case test-supercompress --step 11 --supercompress --test
run_case truecolour-supercompress --step 13 --truecolour --supercompress --corner lower-left
run_case fixed-palette --step 10 --palette 5 --supercompress

# Pyrotechnics draws from its settings alone: seeded builds, the same through both dialogs.
run_pyrotechnics_case() {
  local name=pyrotechnics-$1; shift
  compare_case "$name" pyrotechnics --use-seed "$@"
}

run_pyrotechnics_case ok --seed 77
run_pyrotechnics_case test --seed 123 --test --background 0,0,60 --rocket 1=255,0,0 --rocket 3=random
run_pyrotechnics_case supercompress --seed 4000 --supercompress --width 160 --height 96 --rockets 12
run_pyrotechnics_case truecolour --seed 10 --truecolour --explosion 1500 --gravity 200 --energy 120
run_pyrotechnics_case fixed-palette --seed 55 --palette 5 --no-dither --rocket 2=0,255,0

# Ripple: one picture through the single-picture dialog, seeded from the typed seed or
# from the picture itself; 64 x 64 is the smallest picture it takes.
mkdir -p "$work/ripple" "$work/ripple-small"
"$samples" "$work/ripple" 1 96 72 && "$samples" "$work/ripple-small" 1 64 64 || exit 1
run_ripple_case() {
  local name=$1 picture=$2; shift 2
  compare_case "$name" ripple "$picture" "$@"
}

run_ripple_case ripple-ok "$work/ripple/scene-01.bmp" --use-seed --seed 8634
run_ripple_case ripple-test-survey "$work/ripple/scene-01.bmp" --survey-image --seed 100 --test
run_ripple_case ripple-supercompress "$work/ripple/scene-01.bmp" --seed 777 --supercompress --delay 9
run_ripple_case ripple-truecolour "$work/ripple/scene-01.bmp" --seed 4242 --truecolour
run_ripple_case ripple-smallest "$work/ripple-small/scene-01.bmp" --seed 8634 --palette 5

# Lake and Lens: one picture through the single-picture dialog's Select image (Lens
# needs at least 64 x 64).
mkdir -p "$work/large" && "$samples" "$work/large" 1 96 72 || exit 1
run_picture_case() {
  local name=$1 effect=$2 picture=$3; shift 3
  compare_case "$name" "$effect" "$picture" "$@"
}
lake_picture=$work/wide/scene-01.bmp
run_picture_case lake-ok lake "$lake_picture" --frames 8 --delay 5
run_picture_case lake-reflection-test lake "$lake_picture" --frames 6 --reflection-only --test
run_picture_case lake-supercompress lake "$lake_picture" --frames 12 --supercompress --no-dither
run_picture_case lake-truecolour lake "$lake_picture" --frames 7 --truecolour --supercompress
lens_picture=$work/large/scene-01.bmp
run_picture_case lens-ok lens "$lens_picture" --diameter 30 --steps 25
run_picture_case lens-test lens "$lens_picture" --diameter 100 --steps 40 --test --no-comment
run_picture_case lens-supercompress lens "$lens_picture" --diameter 25 --steps 30 --supercompress --palette 5
run_picture_case lens-truecolour lens "$lens_picture" --diameter 60 --steps 26 --truecolour

run_threads_case threads-supercompress --step 7 --supercompress
run_threads_case threads-truecolour --step 8 --truecolour --supercompress --corner upper-left --no-dither
# The other effects on several threads; Ripple shares the rows of pictures of 512 K cells and more.
mkdir -p "$work/threads" && "$samples" "$work/threads" 1 1024 512 || exit 1
run_effect_threads_case threads-lake lake "$lake_picture" --frames 12 --supercompress
run_effect_threads_case threads-lens lens "$lens_picture" --diameter 30 --steps 25
run_effect_threads_case threads-ripple ripple "$work/threads/scene-01.bmp" --use-seed --seed 8634
run_effect_threads_case threads-pyrotechnics pyrotechnics --use-seed --seed 77
# The files written: fwhost.exe writes GIFs with the same giflib and makes the quality
# GIF and the animated PNG with the same code as the native fwhost, so the bytes match.
compare_output() {
  local name=$1 suffix=$2; shift 2
  "$native" "$@" --fresh --quiet -o "$work/$name.native.$suffix" >"$work/$name.native.log" 2>&1
  "$wine_run" "$fwhost_exe" "$@" --fresh --quiet -o "$work/$name.wine.$suffix" >"$work/$name.wine.log" 2>&1
  if [ -s "$work/$name.native.$suffix" ] && cmp -s "$work/$name.native.$suffix" "$work/$name.wine.$suffix"; then
    echo "same bytes: $name.$suffix ($(wc -c <"$work/$name.native.$suffix") bytes)"
  else
    echo "DIFFERENT: $name.$suffix"; cat "$work/$name.native.log" "$work/$name.wine.log"
    failed=1
  fi
}
compare_output file-pagecurl gif pagecurl "${pictures[@]}" --step 9 --supercompress
compare_output file-lake-quality gif lake "$lake_picture" --frames 6 --quality
compare_output file-lake-quality-40 gif lake "$lake_picture" --frames 6 --quality=40 --threads 3
compare_output file-lens-apng png lens "$lens_picture" --diameter 30 --steps 25
compare_output file-lens-quality-apng png lens "$lens_picture" --diameter 30 --steps 25 --quality=60
# The default output (the quality GIF), a still of one frame and a play count.
compare_output file-lens-default-loop gif lens "$lens_picture" --diameter 30 --steps 25 --loop 2
compare_output file-pagecurl-still png pagecurl "${pictures[@]}" --step 9 --plugin-colours --frame 12
# Frames re-encoding animations and pictures read by the Windows decoders (giflib and
# libwebp as natively, PNG through the system's imaging component): the same files. The
# second comes after a --quality run, whose settings Frames must not start from.
seeds=$(cd "$(dirname "$0")/../host/picture_seeds" && pwd)
compare_output file-frames-gif gif frames "$seeds/valid-animated.gif" --quality
compare_output file-frames-webp-png png frames "$seeds/valid-animated-lossless.webp" "$seeds/valid-rgba-16bit-interlaced.png" \
  "$seeds/valid-indexed-transparent.png" --delay 12
exit $failed

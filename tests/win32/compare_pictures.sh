#!/usr/bin/env bash
# The Windows build's picture decoders against the native ones: both picture_dump
# programs write what they make of every seed picture, and compare_pictures.py compares.
#   compare_pictures.sh NATIVE_PICTURE_DUMP WINE_RUN WINDOWS_PICTURE_DUMP SEEDS WORK_DIR
set -u
native=$1 wine_run=$2 windows=$3 seeds=$4 work=$5
if [ ! -x "$native" ]; then
  echo "no native picture_dump at $native (build the native preset first)"
  exit 1
fi
rm -rf "$work" && mkdir -p "$work/native" "$work/windows"
"$native" "$work/native" "$seeds"/* || exit 1
"$wine_run" "$windows" "$work/windows" "$seeds"/* || exit 1
exec python3 "$(dirname "$0")/compare_pictures.py" "$work/native" "$work/windows"

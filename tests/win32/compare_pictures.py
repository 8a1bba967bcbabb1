#!/usr/bin/env python3
"""Compares what two builds' decoders made of the same pictures (picture_dump output).

Every file must be read by both or refused by both; what both read must be the same
pictures: the same depth, palette and size, the same colour at every pixel, the same
frames and delays. JPEG decoders round differently (above all where they enlarge the
halved colour planes at a sharp colour edge): a JPEG's samples may differ by
JPEG_MEAN on average, by at most JPEG_P99 for 99 in 100 samples and JPEG_MAX for any,
and what was seen is reported.

    compare_pictures.py NATIVE_DIR WINDOWS_DIR
"""
import os
import sys

JPEG_MEAN = 1.5
JPEG_P99 = 8
JPEG_MAX = 32


def pictures(path):
    """The dump as a list of (kind, header words, rows): the still picture, then frames."""
    with open(path, encoding="ascii") as f:
        lines = f.read().splitlines()
    out, i = [], 0
    while i < len(lines):
        words = lines[i].split()
        i += 1
        if "refused:" in words:
            out.append((words[0], ["refused"], []))
            continue
        if words[0] == "frames":
            out.append(("frames", words[1:], []))
            continue
        kind = words[0] if words[0] == "still" else "frame"
        header = words[1:] if kind == "still" else words[2:] + ["delay", words[1]]
        bits, width, height = int(header[0]), int(header[1]), int(header[2])
        rows = []
        if bits == 8:
            rows.append(lines[i])
            i += 1
        rows += lines[i:i + height]
        i += height
        out.append((kind, header, rows))
    return out


def differences(a, b):
    """Every sample's difference, sorted."""
    found = []
    for row_a, row_b in zip(a, b):
        for k in range(0, min(len(row_a), len(row_b)), 2):
            found.append(abs(int(row_a[k:k + 2], 16) - int(row_b[k:k + 2], 16)))
    return sorted(found) or [0]


def main():
    native_dir, windows_dir = sys.argv[1], sys.argv[2]
    failures, compared, jpeg_worst = [], 0, {}
    for name in sorted(os.listdir(native_dir)):
        native = pictures(os.path.join(native_dir, name))
        other_path = os.path.join(windows_dir, name)
        if not os.path.exists(other_path):
            failures.append(f"{name}: no Windows dump")
            continue
        windows = pictures(other_path)
        jpeg = name.lower().endswith((".jpg.txt", ".jpeg.txt"))
        if len(native) != len(windows):
            failures.append(f"{name}: {len(native)} parts natively, {len(windows)} on Windows")
            continue
        for (kind, header, rows), (_, other_header, other_rows) in zip(native, windows):
            if header != other_header or len(rows) != len(other_rows):
                failures.append(f"{name}: {kind} {' '.join(header)} natively, {' '.join(other_header)} on Windows")
                break
            if header == ["refused"]:
                continue
            found = differences(rows, other_rows)
            mean, p99, worst = sum(found) / len(found), found[len(found) * 99 // 100], found[-1]
            if jpeg:
                jpeg_worst[name] = (mean, p99, worst)
                if mean > JPEG_MEAN or p99 > JPEG_P99 or worst > JPEG_MAX:
                    failures.append(f"{name}: {kind} samples differ by {mean:.2f} on average, {p99} for 99 in 100, "
                                    f"{worst} at most (allowed {JPEG_MEAN}, {JPEG_P99}, {JPEG_MAX})")
            elif rows != other_rows:
                failures.append(f"{name}: {kind} pixels differ by up to {worst}")
        compared += 1
    for name, (mean, p99, worst) in sorted(jpeg_worst.items()):
        print(f"JPEG {name[:-4]}: samples differ by {mean:.3f} on average, {p99} for 99 in 100, {worst} at most")
    for failure in failures:
        print("DIFFERENT:", failure)
    print(f"{compared} files compared, {len(failures)} differences")
    return 1 if failures or compared == 0 else 0


if __name__ == "__main__":
    sys.exit(main())

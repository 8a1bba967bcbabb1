#!/usr/bin/env python3
"""Renders the help document's pictures with our own plug-ins through the native fwhost.

Usage: make_help_pictures.py FWHOST MAKE_SAMPLES OUTPUT_DIR

Writes fwplgks1-01.gif (Page Curl), -02.gif (Pyrotechnics), -03.gif (Ripple),
-04.gif (Lake), -05.gif (Lens) and fwplgks1-02.png (one Pyrotechnics frame at twice its
size) into OUTPUT_DIR. The pictures are small (160 x 120, few frames) so that the
installer's archive stays small; every run uses fixed seeds, so the bytes are the same
on every build. fwhost finds the plug-ins next to itself.
"""
import os
import shutil
import subprocess
import sys
import tempfile

WIDTH, HEIGHT = 160, 120
PYROTECHNICS_FRAME = 12


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    fwhost, make_samples, output = sys.argv[1:4]
    for program in (fwhost, make_samples):
        if not os.access(program, os.X_OK):
            sys.exit('make_help_pictures: %s is missing (build the native preset first)' % program)
    os.makedirs(output, exist_ok=True)
    work = tempfile.mkdtemp(prefix='help-pictures-')
    try:
        render(fwhost, make_samples, output, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def run(args, work):
    # Each run starts from the plug-in's built-in settings and keeps no settings file.
    env = dict(os.environ, KESTREL_WINDOWS_DIR=work, TMPDIR=work)
    result = subprocess.run(args, env=env, capture_output=True, timeout=300)
    if result.returncode != 0:
        sys.exit('make_help_pictures: %s failed (%d):\n%s' % (' '.join(args), result.returncode,
                                                             result.stderr.decode('latin-1')))


def render(fwhost, make_samples, output, work):
    run([make_samples, work, '3', str(WIDTH), str(HEIGHT)], work)
    scenes = [os.path.join(work, 'scene-%02d.bmp' % i) for i in (1, 2, 3)]

    def picture(number):
        return os.path.join(output, 'fwplgks1-%02d.gif' % number)

    common = ['--quiet', '--fresh']
    run([fwhost, 'pagecurl', scenes[0], scenes[1], '--step', '30', '-o', picture(1)] + common, work)
    pyrotechnics = [fwhost, 'pyrotechnics', '--width', str(WIDTH), '--height', str(HEIGHT),
                    '--rockets', '4', '--use-seed', '--seed', '4242'] + common
    run(pyrotechnics + ['-o', picture(2)], work)
    run([fwhost, 'ripple', scenes[2], '--use-seed', '--seed', '1234', '-o', picture(3)] + common, work)
    run([fwhost, 'lake', scenes[0], '--frames', '8', '-o', picture(4)] + common, work)
    run([fwhost, 'lens', scenes[1], '--steps', '25', '-o', picture(5)] + common, work)

    # One frame of the Pyrotechnics animation, enlarged without smoothing, with no
    # time-stamp chunks so that the file's bytes depend only on the picture.
    frames = os.path.join(work, 'pyrotechnics-%03d.png')
    run(['convert', picture(2), '-coalesce', frames], work)
    count = len([name for name in os.listdir(work) if name.startswith('pyrotechnics-')])
    frame = frames % min(PYROTECHNICS_FRAME, count - 1)
    run(['convert', frame, '-filter', 'point', '-resize', '200%', '-strip',
         '-define', 'png:exclude-chunks=date,time', os.path.join(output, 'fwplgks1-02.png')], work)


if __name__ == '__main__':
    main()

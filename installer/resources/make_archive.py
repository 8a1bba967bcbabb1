#!/usr/bin/env python3
"""Makes the archive that the installer carries: every file named, deflated, under its
plain name (no directories), in the order given, with fixed times so that the same files
give the same bytes. Plug-in libraries (.dll, .so) are packed stripped of their debugging
information when a strip program is given.

Usage: make_archive.py OUTPUT_ZIP [--strip PROGRAM] FILE...
"""
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

WHEN = (2002, 9, 13, 12, 0, 0)
LIBRARY_ENDINGS = ('.dll', '.so')


def main():
    args = sys.argv[1:]
    if not args:
        sys.exit(__doc__)
    output, files, strip = args[0], args[1:], None
    if files[:1] == ['--strip']:
        strip, files = files[1], files[2:]
    names = [os.path.basename(path) for path in files]
    if len(set(name.lower() for name in names)) != len(names):
        sys.exit('make_archive: two files share a name: %s' % ' '.join(names))
    work = tempfile.mkdtemp(prefix='archive-')
    try:
        with zipfile.ZipFile(output + '.part', 'w', zipfile.ZIP_DEFLATED) as archive:
            for path, name in zip(files, names):
                if strip and name.lower().endswith(LIBRARY_ENDINGS):
                    stripped = os.path.join(work, name)
                    shutil.copyfile(path, stripped)
                    subprocess.run([strip, '--strip-debug', stripped], check=True)
                    path = stripped
                with open(path, 'rb') as f:
                    data = f.read()
                info = zipfile.ZipInfo(name, WHEN)
                info.compress_type = zipfile.ZIP_DEFLATED
                info.external_attr = 0o644 << 16
                archive.writestr(info, data)
        os.replace(output + '.part', output)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    main()

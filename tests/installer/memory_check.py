#!/usr/bin/env python3
"""Checks that the extractor's memory does not grow with the archive: makes archives
holding one deflated entry of 1 MB and of 200 MB (text-like, so it deflates to about
half), extracts each with unzip_memory_check and requires peak memory to grow by less
than 1 MB. Usage: memory_check.py CHECKER WORKDIR"""
import os
import random
import shutil
import subprocess
import sys
import zipfile

checker, work = sys.argv[1], os.path.abspath(sys.argv[2])
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
alphabet = bytes.maketrans(bytes(range(256)), bytes(b'abcdefghijklmnop \n'[i % 18] for i in range(256)))
rng = random.Random(1)
failed = False
try:
    for megabytes in (1, 200):
        archive = os.path.join(work, 'big%d.zip' % megabytes)
        with zipfile.ZipFile(archive, 'w', zipfile.ZIP_DEFLATED, compresslevel=1) as z:
            with z.open('big.bin', 'w', force_zip64=False) as entry:
                for _ in range(megabytes):
                    entry.write(rng.randbytes(1 << 20).translate(alphabet))
        dest = os.path.join(work, 'dest%d' % megabytes)
        os.makedirs(dest)
        print('%d MB entry, archive of %d bytes:' % (megabytes, os.path.getsize(archive)), flush=True)
        done = subprocess.run([checker, archive, dest, '1024'])
        size = os.path.getsize(os.path.join(dest, 'big.bin'))
        if done.returncode != 0 or size != megabytes << 20:
            print('FAILED (extracted %d bytes)' % size)
            failed = True
        shutil.rmtree(dest)
        os.remove(archive)
finally:
    shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failed else 0)

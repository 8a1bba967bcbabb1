#!/usr/bin/env python3
"""Makes the archives of the extractor tests with Info-ZIP zip and Python's zipfile.

Usage: make_test_archives.py OUTDIR

Writes OUTDIR/<name>.zip and, for the entries whose bytes the tests compare,
OUTDIR/sources/<name>/<entry>. Everything is deterministic. The same archives seed the
fuzz corpus.
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile

OUT = os.path.abspath(sys.argv[1])
SOURCES = os.path.join(OUT, 'sources')
STAGE = os.path.join(OUT, 'stage')
WINTER = (2003, 1, 15, 13, 45, 30)   # no summer time anywhere on this date in the north


def text_bytes(seed, size):
    """Compressible, varied text."""
    rng = random.Random(seed)
    words = [b'lake', b'ripple', b'curl', b'spark', b'lens', b'frame', b'palette', b'\n']
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words) + b' '
    return bytes(out[:size])


def noise_bytes(seed, size):
    return random.Random(seed).randbytes(size)


def keep(archive, name, data):
    path = os.path.join(SOURCES, archive, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def stage(files):
    """Writes files into a fresh staging folder with a fixed time; returns the folder."""
    shutil.rmtree(STAGE, ignore_errors=True)
    os.makedirs(STAGE)
    when = 1042638330  # 2003-01-15 13:45:30 UTC
    for name, data in files.items():
        path = os.path.join(STAGE, name)
        with open(path, 'wb') as f:
            f.write(data)
        os.utime(path, (when, when))
    return STAGE


def info_zip(archive, files, options, names=None):
    """Archive made by Info-ZIP zip from staged files."""
    folder = stage(files)
    target = os.path.join(OUT, archive + '.zip')
    if os.path.exists(target):
        os.remove(target)
    subprocess.run(['zip', '-q', '-X'] + options + [target] + (names or sorted(files)),
                   cwd=folder, check=True)
    for name, data in files.items():
        keep(archive, name, data)
    return target


def python_zip(archive, entries, comment=b'', keep_sources=True):
    """Archive made by zipfile; entries are (ZipInfo or name, data, method)."""
    target = os.path.join(OUT, archive + '.zip')
    with zipfile.ZipFile(target, 'w') as z:
        z.comment = comment
        for name, data, method in entries:
            info = name if isinstance(name, zipfile.ZipInfo) else zipfile.ZipInfo(name, WINTER)
            info.compress_type = method
            z.writestr(info, data)
            if keep_sources and isinstance(name, str):
                keep(archive, name, data)
    return target


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def write(archive, data):
    with open(os.path.join(OUT, archive + '.zip'), 'wb') as f:
        f.write(data)


def end_record_at(data):
    return data.rindex(b'PK\x05\x06')


def patch(data, offset, fmt, value):
    b = bytearray(data)
    struct.pack_into(fmt, b, offset, value)
    return bytes(b)


def central_headers(data):
    """Offsets of every central header, in order."""
    end = end_record_at(data)
    count, size, start = struct.unpack_from('<HII', data, end + 10)
    offsets, at = [], start
    for _ in range(count):
        offsets.append(at)
        n, e, c = struct.unpack_from('<HHH', data, at + 28)
        at += 46 + n + e + c
    return offsets


def local_header(data, central):
    return struct.unpack_from('<I', data, central + 42)[0]


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    os.makedirs(OUT)
    D = zipfile.ZIP_DEFLATED
    S = zipfile.ZIP_STORED

    # Entries of both methods, from Info-ZIP zip.
    info_zip('stored', {'alpha.txt': text_bytes(1, 3000), 'beta.bin': noise_bytes(2, 5000),
                        'empty.txt': b''}, ['-0'])
    info_zip('deflated', {'scene.bin': text_bytes(3, 300000), 'readme.txt': text_bytes(4, 900)},
             ['-9'])
    info_zip('descriptor', {'later.txt': text_bytes(5, 7000)}, ['-fd'])

    # The archive the installer carries: 14 plain names, all deflated.
    product = ['fwplgrip.dll', 'fwplglak.dll', 'fwplgcrl.dll', 'fwplgpyr.dll', 'fwplglns.dll',
               'fwplgks1.txt', 'fwplgks1.html'] + ['fwplgks1-0%d.gif' % i for i in range(1, 6)] + \
              ['fwplgks1-02.png', 'license.htm']
    info_zip('product', {n: text_bytes(100 + i, 1000 + 700 * i) for i, n in enumerate(product)},
             ['-9'], names=product)

    # The longest comment after the end record.
    comment = bytes(random.Random(6).choice(b'abcdefghij') for _ in range(65535))
    python_zip('comment_max', [('first.txt', text_bytes(7, 4000), D),
                               ('second.txt', text_bytes(8, 100), S)], comment=comment)

    # End-record signatures that run across a 2048-byte block edge by 1, 2 and 3 bytes,
    # with no comment (the tail block is shorter than a record) and with one.
    for cut, comment_length in ((1, 0), (2, 0), (3, 0), (2, 40)):
        name = 'edge_%d_%d' % (cut, comment_length)
        def build(pad):
            return read(python_zip(name, [('pad.bin', text_bytes(9, pad), S),
                                          ('edge.txt', b'edge\n', S)], comment=b'c' * comment_length))
        first = end_record_at(build(0))
        target = 2 * 2048 - cut
        data = build(target - first)
        assert end_record_at(data) == target

    # A signature in the last 21 bytes (inside the comment) is not the end record.
    python_zip('late_signature', [('real.txt', b'the real directory\n', S)],
               comment=b'note PK\x05\x06 0123456789')
    # The only signature lies in the last 21 bytes, reached across a block edge.
    def edge_build(pad):
        return read(python_zip('edge_cut', [('pad.bin', text_bytes(10, pad), S)], keep_sources=False))
    data = edge_build(0)
    data = edge_build(2048 * 2 - 1 - end_record_at(data))
    write('edge_cut', data[:-2])

    # Bytes in front of the archive, and the directory-offset corrections.
    plain = read(os.path.join(OUT, 'deflated.zip'))
    write('prefixed', noise_bytes(11, 1000) + plain)
    end = end_record_at(plain)
    write('zero_offset', patch(plain, end + 16, '<I', 0))
    cd = struct.unpack_from('<I', plain, end + 16)[0]
    write('directory_moved', plain[:end] + b'junk' * 16 + plain[end:])
    broken = bytearray(plain)
    broken[cd + 3] = 7
    write('directory_lost', bytes(broken))
    write('directory_short', patch(plain, end + 12, '<I', struct.unpack_from('<I', plain, end + 12)[0] + 5000))

    # A wrong CRC on the middle of three entries, in both headers.
    data = read(python_zip('bad_crc', [('one.txt', text_bytes(12, 5000), D),
                                       ('two.txt', text_bytes(13, 6000), D),
                                       ('three.txt', text_bytes(14, 7000), D)]))
    middle = central_headers(data)[1]
    data = patch(data, middle + 16, '<I', struct.unpack_from('<I', data, middle + 16)[0] ^ 0x10)
    local = local_header(data, middle)
    data = patch(data, local + 14, '<I', struct.unpack_from('<I', data, local + 14)[0] ^ 0x10)
    write('bad_crc', data)

    # Method 12 in both headers.
    data = read(python_zip('method12', [('packed.txt', text_bytes(15, 3000), D)], keep_sources=False))
    c = central_headers(data)[0]
    data = patch(patch(data, c + 10, '<H', 12), local_header(data, c) + 8, '<H', 12)
    write('method12', data)

    # Disks: a real split archive, and a whole archive that calls itself disk 2 of 2.
    split = info_zip('split', {'big.bin': noise_bytes(16, 200000)}, ['-0', '-s', '64k'])
    shutil.copy(split, os.path.join(OUT, 'multidisk.zip'))
    data = read(python_zip('second_of_two', [('whole.txt', text_bytes(17, 500), D)]))
    end = end_record_at(data)
    write('second_of_two', patch(patch(data, end + 4, '<H', 1), end + 6, '<H', 1))

    # Names that reach outside the destination, between two good ones.
    unsafe = ['../evil1.txt', '..\\evil2.txt', '/abs1.txt', '\\abs2.txt', 'C:evil3.txt',
              'C:\\evil4.txt', '\\\\server\\share\\evil5.txt', 'sub/../../evil6.txt',
              'sub\\..\\..\\evil7.txt', '.. /evil8.txt', '...\\evil9.txt', 'CON', 'nul.txt',
              'sub/AUX', 'com1.log', 'LPT9', 'conout$', 'bad\x01name', 'stream.txt:hidden']
    entries = [('good1.txt', b'first good\n', S)] + [(n, b'must not be written\n', S) for n in unsafe] + \
              [('good2.txt', b'second good\n', D)]
    python_zip('traversal', entries, keep_sources=False)
    keep('traversal', 'good1.txt', b'first good\n')
    keep('traversal', 'good2.txt', b'second good\n')
    with open(os.path.join(OUT, 'traversal_names.txt'), 'w', encoding='latin-1') as f:
        f.write('\n'.join(unsafe) + '\n')

    # A symbolic link stored by Info-ZIP zip -y, beside a plain file.
    folder = stage({'plain.txt': b'plain\n'})
    os.symlink('../../outside.txt', os.path.join(folder, 'escape.lnk'))
    target = os.path.join(OUT, 'symlink.zip')
    subprocess.run(['zip', '-q', '-X', '-y', target, 'escape.lnk', 'plain.txt'], cwd=folder, check=True)
    keep('symlink', 'plain.txt', b'plain\n')
    # Names that would pass through links the tests put in the destination.
    python_zip('through_link', [('linkdir/evil.txt', b'through a directory link\n', S),
                                ('filelink', b'through a file link\n', S),
                                ('fine.txt', b'fine\n', S)], keep_sources=False)

    # An entry for host system 2, which is skipped without asking.
    info = zipfile.ZipInfo('skipped.txt', WINTER)
    info.reserved = 2
    python_zip('skipped_host', [(info, b'never extracted\n', S), ('kept.txt', b'kept\n', S)])

    # A name longer than 259 characters.
    python_zip('long_name', [('d' * 200 + '/' + 'n' * 99, b'long\n', S)], keep_sources=False)

    python_zip('empty', [])

    # The end record says one entry where the directory holds two.
    data = read(python_zip('extra_entry', [('counted.txt', b'counted\n', S),
                                           ('uncounted.txt', b'uncounted\n', S)], keep_sources=False))
    end = end_record_at(data)
    write('extra_entry', patch(patch(data, end + 8, '<H', 1), end + 10, '<H', 1))

    # Local headers that are not there: beyond the file, and cut short by its end.
    data = read(python_zip('local_missing', [('lost.txt', b'lost\n', S), ('found.txt', b'found\n', S)],
                           keep_sources=False))
    write('local_missing', patch(data, central_headers(data)[0] + 42, '<I', 0x7FFFFFF0))
    data = read(python_zip('local_cut', [('cut.txt', b'cut\n', S)], comment=b'x' * 10 + b'PK\x03\x04abc',
                           keep_sources=False))
    write('local_cut', patch(data, central_headers(data)[0] + 42, '<I', len(data) - 7))

    # Truncated archives.
    write('truncated_half', plain[:len(plain) // 2])
    write('truncated_end', plain[:-5])
    write('truncated_data', plain[:cd - 10000] + plain[cd:])

    shutil.rmtree(STAGE, ignore_errors=True)
    for leftover in os.listdir(OUT):
        if leftover.startswith('split.'):
            os.remove(os.path.join(OUT, leftover))


main()

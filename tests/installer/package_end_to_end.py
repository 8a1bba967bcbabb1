#!/usr/bin/env python3
"""The plug-in set from installer to animation, as a Linux user meets it.

Usage: package_end_to_end.py PLUGIN FWHOST MAKE_SAMPLES WORKDIR

1. The native `plugin`, unattended, installs into the data directory of a sandbox home
   ($XDG_DATA_HOME/kestrel): no host settings file, no host program needed.
2. fwhost, installed on its own (a copy with no plug-ins beside it), lists and loads each
   of the five installed plug-ins without --plugin-dir and renders an animated GIF.
3. Help, pressed in each plug-in's dialog, opens the installed help document at the
   plug-in's topic: a stand-in opener on PATH records the command line it is given.
4. The installed help document names only pictures that were installed beside it, and
   every topic it is opened at is an anchor of it.
"""
import os
import re
import shutil
import stat
import subprocess
import sys
import time

PLUGIN, FWHOST, MAKE_SAMPLES, WORK = sys.argv[1:5]
EFFECTS = {  # effect word: (library, help topic, options)
    'pagecurl': ('fwplgcrl', 'PAGECURL', ['PICTURE', 'PICTURE2', '--step', '30']),
    'pyrotechnics': ('fwplgpyr', 'PYROTECHNICS', ['--width', '64', '--height', '48', '--rockets', '2',
                                                  '--use-seed', '--seed', '70']),
    'ripple': ('fwplgrip', 'RIPPLE', ['PICTURE', '--use-seed', '--seed', '50']),
    'lake': ('fwplglak', 'LAKE', ['PICTURE', '--frames', '6']),
    'lens': ('fwplglns', 'LENS', ['PICTURE', '--steps', '25']),
}
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print('FAIL:', what)
    return condition


def gif_frames(path):
    """The number of frames of a GIF file: its image descriptors, found by walking its blocks."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:6] not in (b'GIF87a', b'GIF89a'):
        return 0
    position = 13
    if data[10] & 0x80:
        position += 3 << ((data[10] & 7) + 1)
    frames = 0
    while position < len(data):
        block = data[position]
        if block == 0x3B:
            return frames
        if block == 0x21:
            position += 2
        elif block == 0x2C:
            frames += 1
            flags = data[position + 9]
            position += 10
            if flags & 0x80:
                position += 3 << ((flags & 7) + 1)
            position += 1  # the LZW code size
        else:
            return 0
        while position < len(data) and data[position]:
            position += data[position] + 1
        position += 1
    return 0


root = os.path.join(WORK, 'package')
shutil.rmtree(root, ignore_errors=True)
home, tools = os.path.join(root, 'home'), os.path.join(root, 'bin')
for directory in (home, tools, os.path.join(root, 'tmp'), os.path.join(root, 'pictures')):
    os.makedirs(directory)
# fwhost as installed on its own: the plug-ins beside the built one must not be found.
installed_fwhost = os.path.join(tools, 'fwhost')
shutil.copy2(FWHOST, installed_fwhost)
FWHOST = installed_fwhost

# The stand-in opener: records its arguments, one per line, in a file named by the call.
record_dir = os.path.join(root, 'opened')
os.makedirs(record_dir)
opener = os.path.join(tools, 'xdg-open')
with open(opener, 'w') as f:
    f.write('#!/bin/sh\nrecord="%s/$$"\nprintf \'%%s\\n\' "$@" > "$record.part" && mv "$record.part" "$record"\n'
            % record_dir)
os.chmod(opener, os.stat(opener).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
env = {k: v for k, v in os.environ.items() if not k.startswith(('KESTREL_', 'XDG_', 'FWHOST_'))}
env.update(HOME=home, XDG_DATA_HOME=os.path.join(home, 'data'), XDG_CONFIG_HOME=os.path.join(home, 'config'),
           TMPDIR=os.path.join(root, 'tmp'), PATH=tools + os.pathsep + os.environ['PATH'])

# 1. The installation.
result = subprocess.run([PLUGIN, '--yes', '--accept-license'], env=env, capture_output=True, timeout=120)
check(result.returncode == 0, 'install exits 0, got %d: %s' % (result.returncode, result.stdout.decode('latin-1')))
data = os.path.join(home, 'data', 'kestrel')
plugin_dir = os.path.join(data, 'plugins')
for word, (library, _, _) in EFFECTS.items():
    check(os.path.isfile(os.path.join(plugin_dir, library + '.so')), '%s installed' % library)
help_dir = os.path.join(data, 'help')
help_document = os.path.join(help_dir, 'fwplgks1.html')
check(os.path.isfile(help_document), 'help document installed')

subprocess.run([MAKE_SAMPLES, os.path.join(root, 'pictures'), '2', '72', '64'], check=True, timeout=60)
pictures = {'PICTURE': os.path.join(root, 'pictures', 'scene-01.bmp'),
            'PICTURE2': os.path.join(root, 'pictures', 'scene-02.bmp')}

# 2. fwhost lists the installed plug-ins as found in the data directory, without options.
result = subprocess.run([FWHOST, 'list'], env=env, capture_output=True, timeout=60)
listing = result.stdout.decode('latin-1')
for word, (library, _, _) in EFFECTS.items():
    check(os.path.join(plugin_dir, library + '.so') in listing, 'fwhost list shows the installed %s: %s'
          % (library, listing))

# 2 and 3. Each installed plug-in renders, and its Help button opens the document at its topic.
for word, (library, topic, options) in EFFECTS.items():
    before = set(os.listdir(record_dir))
    output = os.path.join(root, word + '.gif')
    args = [FWHOST, word] + [pictures.get(o, o) for o in options]
    # No host settings file names a host directory: Help finds the document where the
    # installer put it.
    result = subprocess.run(args + ['--click', '9', '--quiet', '-o', output], env=env,
                            capture_output=True, timeout=120)
    check(result.returncode == 0, '%s renders, exit %d: %s' % (word, result.returncode,
                                                              result.stderr.decode('latin-1')))
    check(os.path.isfile(output) and gif_frames(output) >= 2, '%s: an animated GIF' % word)
    opened = []
    for _ in range(100):  # the opener runs on its own; wait for its record
        opened = sorted(set(os.listdir(record_dir)) - before)
        opened = [name for name in opened if not name.endswith('.part')]
        if opened:
            break
        time.sleep(0.05)
    if check(len(opened) == 1, '%s: Help started the opener once' % word):
        with open(os.path.join(record_dir, opened[0])) as f:
            arguments = f.read().splitlines()
        url = 'file://' + help_document + '#' + topic
        check(arguments == [url], '%s: the opener was given %s, expected %s' % (word, arguments, url))

# 4. The installed document and its pictures.
with open(help_document, encoding='utf-8') as f:
    page = f.read()
anchors = set(re.findall(r'\bid="([^"]+)"', page))
for word, (_, topic, _) in EFFECTS.items():
    check(topic in anchors, 'the help document has the anchor %s' % topic)
check('ABOUT' in anchors, 'the help document has the anchor ABOUT')
for name in re.findall(r'\bsrc="([^"]+)"', page):
    path = os.path.join(help_dir, name)
    check(os.path.isfile(path) and os.path.getsize(path) > 0, 'picture %s installed beside the document' % name)
    if name.endswith('.gif'):
        check(gif_frames(path) >= 2, '%s is an animation' % name)

if failures:
    sys.exit('%d check(s) failed' % len(failures))
print('package end to end: all checks passed')

#!/usr/bin/env python3
"""The native installer and fwscript end to end, in a sandbox.

Usage: installer_end_to_end.py PLUGIN FWSCRIPT SCRIPT WORKDIR

1. `plugin --yes --accept-license` installs into a host directory that the host's INI
   file names; the files land in its plugin and html directories.
2. With the host's patch level too old, `plugin` stops with its message and exit 1,
   and nothing is unpacked.
3. An answers file drives the prompts: a typed path, then a declined licence (exit 0,
   nothing more shown).
4. `fwscript --dry-run --json` reports the passes of the installer's script.
"""
import json
import os
import shutil
import subprocess
import sys

PLUGIN, FWSCRIPT, SCRIPT, WORK = sys.argv[1:5]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print('FAIL:', what)


def sandbox(name, patch=28):
    root = os.path.join(WORK, name)
    shutil.rmtree(root, ignore_errors=True)
    windows, host = os.path.join(root, 'windows'), os.path.join(root, 'Framewright')
    os.makedirs(windows)
    os.makedirs(os.path.join(host, 'html'))
    os.makedirs(os.path.join(root, 'tmp'))
    open(os.path.join(host, 'FWHOST.EXE'), 'wb').close()
    with open(os.path.join(windows, 'fwhost.ini'), 'wb') as f:
        f.write(b'[Framewright]\r\nApplicationPath=%s\\\r\nVersionNumber=64\r\nPatchLevel=%d\r\n'
                % (host.encode(), patch))
    env = dict(os.environ, KESTREL_WINDOWS_DIR=windows, TMPDIR=os.path.join(root, 'tmp'),
               KESTREL_STARTUP_DIR=os.path.join(root, 'startup'))
    return root, host, env


def run(args, env, stdin=b''):
    return subprocess.run(args, env=env, input=stdin, capture_output=True, timeout=60)


def tree(path):
    found = []
    for base, dirs, files in os.walk(path):
        for name in dirs + files:
            found.append(os.path.relpath(os.path.join(base, name), path))
    return sorted(found)


# 1. Unattended installation.
root, host, env = sandbox('installed')
result = run([PLUGIN, '--yes', '--accept-license', '/CD'], env)
out = result.stdout.decode('latin-1')
check(result.returncode == 0, 'install exits 0, got %d' % result.returncode)
pictures = ['html/fwplgks1-0%d.gif' % n for n in range(1, 6)] + ['html/fwplgks1-02.png']
libraries = ['plugin/fwplg%s.so' % name for name in ('crl', 'lak', 'lns', 'pyr', 'rip')]
check(tree(host) == sorted(['FWHOST.EXE', 'html', 'html/fwplgks1.html', 'html/license.htm', 'plugin',
                            'plugin/fwplgks1.txt'] + pictures + libraries), 'installed tree: %s' % tree(host))
check('has been successfully installed.' in out, 'success message shown')
check('This is a self-extracting' not in out, '/CD hides the intro')
check('Inflating: license.htm' in out, 'status lines printed when piped')
check(os.listdir(os.path.join(root, 'tmp')) == [], 'temporary archive removed')

# 2. A patch level too old stops the installation.
root, host, env = sandbox('old_patch', patch=27)
result = run([PLUGIN, '--yes', '--accept-license'], env)
out = result.stdout.decode('latin-1')
check(result.returncode == 1, 'failed install exits 1, got %d' % result.returncode)
check('patch 28 or better' in out, 'patch level message shown')
check('successfully installed' not in out, 'no success message after a failure')
check(tree(host) == ['FWHOST.EXE', 'html'], 'nothing unpacked: %s' % tree(host))

# 3. Answers from a file: a typed path, then the licence declined.
root, host, env = sandbox('declined')
answers = os.path.join(root, 'answers.txt')
with open(answers, 'w') as f:
    f.write(host + '\ndecline\n')
result = run([PLUGIN, '--answers', answers], env)
out = result.stdout.decode('latin-1')
check(result.returncode == 0, 'declined licence exits 0, got %d' % result.returncode)
check('License Agreement' in out and 'Please read this agreement' in out and 'to accept' in out, 'licence shown')
check('successfully installed' not in out, 'nothing more after the licence is declined')
check(tree(host) == ['FWHOST.EXE', 'html'], 'nothing installed after declining')

# 4. fwscript's report of the same script.
result = subprocess.run([FWSCRIPT, SCRIPT, '--dry-run', '--json', '--var', '1=C:\\Inst',
                         '--var', '2=C:\\WINDOWS', '--root', root], capture_output=True, timeout=60)
check(result.returncode == 0, 'fwscript exits 0')
report = json.loads(result.stdout.decode('utf-8'))
setup, action = report['setup'], report['action']
check(setup['result'] == 1 and setup['ini_section'] == 'Framewright', 'setup pass reported')
check(setup['path'] == '\\Program Files\\Varnel Quillon\\Framewright Professional', 'setup path')
check('\r\n\r\nYou must have installed' in setup['intro'], 'intro with its line breaks')
words = [call[0] for call in action['calls']]
check(words == ['showlicense', 'checkinstalledversion', 'checkpatchlevel', 'checkfileexists'],
      'calls up to the failed check: %s' % words)
check(action['result'] == 0 and report['closing'] == {'result': 0, 'calls': []}, 'failed check ends')
os.makedirs(os.path.join(root, 'Inst'))
open(os.path.join(root, 'Inst', 'FWHOST.EXE'), 'wb').close()
result = subprocess.run([FWSCRIPT, SCRIPT, '--dry-run', '--json', '--var', '1=C:\\Inst',
                         '--var', '2=C:\\WINDOWS', '--root', root], capture_output=True, timeout=60)
action = json.loads(result.stdout.decode('utf-8'))['action']
check(action['result'] == 1 and len(action['calls']) == 16, 'every action word is called')
check(action['calls'][5] == ['unzip', 'ZIPFILE', 'C:\\Inst', ''], 'unzip arguments as received')
check(action['calls'][6] == ['movefile', 'C:\\Inst\\*.HTML', 'C:\\Inst\\html\\', ''], 'movefile arguments')

if failures:
    sys.exit('%d check(s) failed' % len(failures))
print('installer end to end: all checks passed')

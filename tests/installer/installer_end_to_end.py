#!/usr/bin/env python3
"""The native installer and fwscript end to end, in a sandbox home.

Usage: installer_end_to_end.py PLUGIN FWSCRIPT SCRIPTS_DIR WORKDIR

1. `plugin --yes --accept-license` installs the plug-ins and their help into the data
   directory ($XDG_DATA_HOME/kestrel) and records the installation; a second run says,
   before the licence, that the set is installed there already.
2. An answers file drives the prompts: a typed path, then a declined licence: exit 3
   with "licence declined; nothing was installed", and nothing written anywhere.
3. --path installs elsewhere and says how fwhost finds the plug-ins there; a path that
   cannot be a directory fails with exit 1 and no success message.
4. fwscript: the passes of both shipped scripts (exit status, messages of every pass,
   questions answered No without a terminal), a dry run that writes nothing, --check.
"""
import json
import os
import shutil
import subprocess
import sys

PLUGIN, FWSCRIPT, SCRIPTS, WORK = sys.argv[1:5]
WINDOWS_SCRIPT = os.path.join(SCRIPTS, 'install_script.txt')
LINUX_SCRIPT = os.path.join(SCRIPTS, 'install_script_linux.txt')
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print('FAIL:', what)


def sandbox(name):
    root = os.path.join(WORK, name)
    shutil.rmtree(root, ignore_errors=True)
    home = os.path.join(root, 'home')
    os.makedirs(home)
    os.makedirs(os.path.join(root, 'tmp'))
    env = {k: v for k, v in os.environ.items() if not k.startswith(('KESTREL_', 'XDG_', 'FWHOST_'))}
    env.update(HOME=home, XDG_DATA_HOME=os.path.join(home, 'data'), XDG_CONFIG_HOME=os.path.join(home, 'config'),
               TMPDIR=os.path.join(root, 'tmp'))
    return root, home, env


def run(args, env, stdin=b''):
    return subprocess.run(args, env=env, input=stdin, capture_output=True, timeout=60)


def tree(path):
    found = []
    for base, dirs, files in os.walk(path):
        for name in dirs + files:
            found.append(os.path.relpath(os.path.join(base, name), path))
    return sorted(found)


PICTURES = ['help/fwplgks1-0%d.gif' % n for n in range(1, 6)] + ['help/fwplgks1-02.png']
INSTALLED = sorted(['help', 'help/fwplgks1.html', 'help/license.htm', 'plugins', 'plugins/fwplgks1.txt'] + PICTURES +
                   ['plugins/fwplg%s.so' % name for name in ('crl', 'lak', 'lns', 'pyr', 'rip')])

# 1. Unattended installation into the data directory, then a second run.
root, home, env = sandbox('installed')
data = os.path.join(home, 'data', 'kestrel')
result = run([PLUGIN, '--yes', '--accept-license', '/CD'], env)
out = result.stdout.decode('latin-1')
check(result.returncode == 0, 'install exits 0, got %d' % result.returncode)
check(tree(data) == INSTALLED, 'installed tree: %s' % tree(data))
check('has been successfully installed.' in out, 'success message shown')
check('fwhost finds the plug-ins in %s/plugins by itself' % data in out, 'says where fwhost finds them')
check('self-extracting Windows' not in out and 'This installs' not in out, '/CD hides the intro')
check('Inflating: license.htm' in out, 'status lines printed when piped')
check(os.listdir(os.path.join(root, 'tmp')) == [], 'temporary archive removed')
with open(os.path.join(home, 'config', 'kestrel', 'kestrel.ini'), 'rb') as f:
    record = f.read()
check(b'[Kestrel]' in record and b'InstallPath=%s' % data.encode() in record, 'installation recorded: %r' % record)
result = run([PLUGIN, '--yes', '--accept-license'], env)
out = result.stdout.decode('latin-1')
already = out.find('is installed in %s already' % data)
check(result.returncode == 0 and 0 <= already < out.find('License Agreement'),
      'second run names the existing installation before the licence: %s' % out[:600])
check('This installs the Kestrel #1 plug-ins for fwhost' in out and 'Windows' not in out.split('License')[0],
      'Linux wording in the intro')
check(tree(data) == INSTALLED, 'reinstalled tree: %s' % tree(data))

# 2. Answers from a file: a typed path, then the licence declined.
root, home, env = sandbox('declined')
answers = os.path.join(root, 'answers.txt')
typed = os.path.join(home, 'new', 'place')
with open(answers, 'w') as f:
    f.write(typed + '\ndecline\n')
result = run([PLUGIN, '--answers', answers], env)
out = result.stdout.decode('latin-1')
check(result.returncode == 3, 'declined licence exits 3, got %d' % result.returncode)
check(result.stderr.decode('latin-1').strip() == 'plugin: licence declined; nothing was installed',
      'declined message: %r' % result.stderr)
check('License Agreement' in out and 'Please read this agreement' in out and 'to accept' in out, 'licence shown')
check('successfully installed' not in out, 'nothing more after the licence is declined')
check(tree(root) == ['answers.txt', 'home', 'tmp'], 'nothing written after declining: %s' % tree(root))

# 3. --path, and a path that cannot be made a directory.
root, home, env = sandbox('elsewhere')
elsewhere = os.path.join(root, 'Plug-ins here')
result = run([PLUGIN, '--yes', '--accept-license', '--path', elsewhere], env)
out = result.stdout.decode('latin-1')
check(result.returncode == 0 and tree(elsewhere) == INSTALLED, '--path installs there: %s' % tree(elsewhere))
check('--plugin-dir %s/plugins or set FWHOST_PLUGIN_PATH=%s/plugins' % (elsewhere, elsewhere) in out,
      'says how fwhost finds plug-ins elsewhere')
check(not os.path.exists(os.path.join(home, 'data')), 'the data directory untouched')
blocked = os.path.join(root, 'a file')
open(blocked, 'wb').close()
result = run([PLUGIN, '--yes', '--accept-license', '--path', blocked], env)
out = result.stdout.decode('latin-1')
check(result.returncode == 1 and 'successfully installed' not in out, 'a failed unzip exits 1, got %d: %s'
      % (result.returncode, out[-300:]))

# 4. fwscript.
root, home, env = sandbox('fwscript')


def fwscript(*args, stdin=b''):
    result = run([FWSCRIPT] + list(args), env, stdin)
    return result.returncode, result.stdout.decode('utf-8'), result.stderr.decode('utf-8')


code, out, err = fwscript(WINDOWS_SCRIPT, '--dry-run', '--json', '--yes', '--var', '1=C:\\Inst',
                          '--var', '2=C:\\WINDOWS', '--root', root)
check(code == 1, 'a failed check makes fwscript exit 1, got %d' % code)
report = json.loads(out)
setup, action = report['setup'], report['action']
check(setup['result'] == 1 and setup['ini_section'] == 'Framewright', 'setup pass reported')
check(setup['path'] == '\\Program Files\\Varnel Quillon\\Framewright Professional', 'setup path')
check('\r\n\r\nYou must have installed' in setup['intro'], 'intro with its line breaks')
words = [call[0] for call in action['calls']]
check(words == ['showlicense', 'checkinstalledversion', 'checkpatchlevel', 'checkfileexists'],
      'calls up to the failed check: %s' % words)
check(action['result'] == 0 and action['messages'] == [action['calls'][3][2]], 'the failed check\'s message')
check(action['questions'] == [{'question': 'showlicense: the installer shows its licence here. Agree?',
                               'answer': 'yes'}], 'the licence asked as a question: %s' % action['questions'])
check(report['closing']['result'] == 0 and report['closing']['calls'] == [], 'failed check ends')
os.makedirs(os.path.join(root, 'Inst'))
open(os.path.join(root, 'Inst', 'FWHOST.EXE'), 'wb').close()
code, out, err = fwscript(WINDOWS_SCRIPT, '--dry-run', '--json', '--yes', '--var', '1=C:\\Inst',
                          '--var', '2=C:\\WINDOWS', '--root', root)
action = json.loads(out)['action']
check(code == 0 and action['result'] == 1 and len(action['calls']) == 16, 'every action word is called')
check(action['calls'][5] == ['unzip', 'ZIPFILE', 'C:\\Inst', ''], 'unzip arguments as received')
check(action['calls'][6] == ['movefile', 'C:\\Inst\\*.HTML', 'C:\\Inst\\html\\', ''], 'movefile arguments')

# Without a terminal and without --yes the licence is answered No: the run stops there.
code, out, err = fwscript(LINUX_SCRIPT, '--dry-run', '--json', '--var', '1=/x')
action = json.loads(out)['action']
check(code == 1 and action['licence_declined'] and [c[0] for c in action['calls']] == ['showlicense'],
      'a question without a terminal is answered No: %d %s' % (code, action))
check('no terminal' in err, 'says why it answered No: %s' % err)
code, out, err = fwscript(LINUX_SCRIPT, '--dry-run', '--yes')
check(code == 0 and '%1 (the install path) is used but not set' in err, 'warns of an unset %%1: %s' % err)
check(tree(root) == ['Inst', 'Inst/FWHOST.EXE', 'home', 'tmp'], 'dry runs wrote nothing: %s' % tree(root))

# swapdisk whose file stays missing: --yes does not answer it for ever.
disk = os.path.join(root, 'disk.txt')
with open(disk, 'w') as f:
    f.write('swapdisk disk2.txt "Insert disk 2"\nmkdir "%1"\nendscript\n')
code, out, err = fwscript(disk, '--dry-run', '--json', '--yes', '--var', '1=/x', '--root', root)
action = json.loads(out)['action']
check(code == 1 and [q['answer'] for q in action['questions']] == ['yes', 'no'] and len(action['calls']) == 1,
      'a repeated question after an automatic Yes is answered No: %s' % action)
os.remove(disk)

# --check: the shipped scripts are clean; a broken one is listed with line numbers.
code, out, err = fwscript('--check', WINDOWS_SCRIPT, LINUX_SCRIPT)
check(code == 0 and out == '', 'shipped scripts check clean: %s' % out)
broken = os.path.join(root, 'broken.txt')
with open(broken, 'wb') as f:
    f.write(b'setname "Broken; name"\r\nmovefile "%1\\a"\r\nunzpi ZIPFILE "%1"\rcopy A B C D\n'
            b'  endscript\nshowfile "%1\\readme"\nendscript\nafter the end\n')
code, out, err = fwscript('--check', broken)
lines = out.splitlines()
check(code == 1 and [line.split(':')[1] for line in lines] == ['1', '2', '3', '4', '5', '6'],
      '--check findings by line: %s' % out)
os.remove(broken)

if failures:
    sys.exit('%d check(s) failed' % len(failures))
print('installer end to end: all checks passed')

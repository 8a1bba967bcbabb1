#!/usr/bin/env python3
"""Compile the resource script subset this project uses into a C++ resource table.

The .rc file stays the one source of truth: the Windows build feeds it to the resource
compiler, the POSIX build feeds it to this script and links the generated table.

Understood: #include "file" (searched in the -I folders), #define NAME NUMBER,
STRINGTABLE blocks, `NAME RCDATA "file"`, `ID BITMAP "file"`, `ID CURSOR "file"` and
DIALOG/DIALOGEX templates (recorded as a table of controls, see dialog_table.h).
Other preprocessor lines (#include <...>, #pragma) are ignored.
"""
import argparse
import os
import re
import sys

TOKEN = re.compile(r'\s*(?:(?P<str>"(?:[^"\\]|\\.|"")*")|(?P<word>[A-Za-z_0-9|+\-~().]+)|(?P<punct>,))')


def unescape(literal):
    body = literal[1:-1].replace('""', '"')
    out = []
    i = 0
    while i < len(body):
        c = body[i]
        if c == '\\' and i + 1 < len(body):
            n = body[i + 1]
            out.append({'n': '\n', 'r': '\r', 't': '\t', '\\': '\\', '"': '"', '0': '\0'}.get(n, n))
            i += 2
        else:
            out.append(c)
            i += 1
    return ''.join(out)


class RcReader:
    def __init__(self, include_dirs):
        self.include_dirs = include_dirs
        self.defines = {}
        self.files_read = []
        self.resources = []   # (type, name, id, bytes)
        self.strings = {}
        self.dialogs = []

    def find(self, name, base_dir):
        for d in [base_dir] + self.include_dirs:
            p = os.path.join(d, name)
            if os.path.isfile(p):
                return p
        raise SystemExit(f'rc2cpp: cannot find {name}')

    def tokens_of(self, path):
        """Yields (token, kind) over a file, expanding #include and #define."""
        self.files_read.append(path)
        base = os.path.dirname(path)
        with open(path, encoding='latin-1') as f:
            for raw in f:
                line = raw.split('//', 1)[0] if '"' not in raw else raw
                stripped = line.strip()
                if stripped.startswith('#'):
                    m = re.match(r'#\s*include\s+"([^"]+)"', stripped)
                    if m:
                        yield from self.tokens_of(self.find(m.group(1), base))
                        continue
                    m = re.match(r'#\s*define\s+(\w+)\s+(.+)$', stripped)
                    if m:
                        self.defines[m.group(1)] = m.group(2).strip()
                    continue
                pos = 0
                while pos < len(line):
                    if line[pos:].strip() == '' or line[pos:].lstrip().startswith('//'):
                        break
                    m = TOKEN.match(line, pos)
                    if not m:
                        raise SystemExit(f'rc2cpp: {path}: cannot read: {line.strip()}')
                    pos = m.end()
                    if m.group('str') is not None:
                        yield (unescape(m.group('str')), 'str')
                    elif m.group('word') is not None:
                        yield (self.defines.get(m.group('word'), m.group('word')), 'word')
                    else:
                        yield (',', 'punct')
                yield ('\n', 'eol')

    def number(self, text):
        """Evaluates a numeric expression of the subset: numbers, names, | + - ~ ( )."""
        expr = text
        for _ in range(8):
            expr = re.sub(r'[A-Za-z_]\w*', lambda m: self.defines.get(m.group(0), m.group(0)), expr)
        expr = re.sub(r'\b(\d+)L\b', r'\1', expr)
        if not re.fullmatch(r'[0-9xXa-fA-F|+\-~() ]+', expr):
            raise ValueError(text)
        return eval(expr, {}, {})

    def read(self, path):
        toks = [t for t in self.tokens_of(path)]
        i = 0

        def skip_eol(j):
            while j < len(toks) and toks[j][1] == 'eol':
                j += 1
            return j

        while True:
            i = skip_eol(i)
            if i >= len(toks):
                break
            word, kind = toks[i]
            if word == 'STRINGTABLE':
                while toks[i][0] not in ('BEGIN', '{'):
                    i += 1
                i += 1
                while True:
                    i = skip_eol(i)
                    if toks[i][0] in ('END', '}'):
                        i += 1
                        break
                    ident = self.number(toks[i][0])
                    i += 1
                    if toks[i][0] == ',':
                        i += 1
                    self.strings[ident] = toks[i][0]
                    i += 1
                continue
            name = word
            rtype = toks[i + 1][0]
            if rtype in ('RCDATA', 'BITMAP', 'CURSOR'):
                file_token = toks[i + 2]
                data = open(self.find(file_token[0], os.path.dirname(path)), 'rb').read()
                self.files_read.append(self.find(file_token[0], os.path.dirname(path)))
                if rtype == 'BITMAP':
                    data = data[14:]  # resources keep the bitmap without its file header
                self.resources.append((rtype, name, data))
                i += 3
                continue
            if rtype in ('DIALOG', 'DIALOGEX'):
                i = self.read_dialog(toks, i)
                continue
            raise SystemExit(f'rc2cpp: {path}: unsupported statement {word} {rtype}')

    def read_dialog(self, toks, i):
        from rc_dialog import parse_dialog  # kept apart: only the front ends need it
        dialog, i = parse_dialog(self, toks, i)
        self.dialogs.append(dialog)
        return i


def c_string(text):
    out = []
    for ch in text.encode('latin-1'):
        if ch in (0x22, 0x5C):
            out.append('\\' + chr(ch))
        elif 32 <= ch < 127 and ch != 0x3F:
            out.append(chr(ch))
        else:
            out.append('\\%03o' % ch)
    return '"' + ''.join(out) + '"'


def c_bytes(data):
    lines = []
    for k in range(0, len(data), 24):
        lines.append('  ' + ','.join(str(b) for b in data[k:k + 24]) + ',')
    return '\n'.join(lines) if data else '  0'


def generate(reader, out):
    w = out.write
    w('// Generated by tools/rc2cpp.py from the module\'s .rc file. Do not edit.\n')
    w('#include "platform/resource_table.h"\n\nnamespace platform {\nnamespace {\n')
    entries = []
    for k, (rtype, name, data) in enumerate(reader.resources):
        w(f'const unsigned char kData{k}[] = {{\n{c_bytes(data)}\n}};\n')
        ctype = {'RCDATA': 'RawData', 'BITMAP': 'Bitmap', 'CURSOR': 'Cursor'}[rtype]
        try:
            ident, cname = reader.number(name), 'nullptr'
        except ValueError:
            ident, cname = 0, c_string(name.upper())
        entries.append(f'  {{ResourceType::{ctype}, {cname}, {ident}u, kData{k}, {len(data)}u}},')
    for k, dialog in enumerate(reader.dialogs):
        blob = dialog.encode()
        w(f'const unsigned char kDialog{k}[] = {{\n{c_bytes(blob)}\n}};\n')
        entries.append(f'  {{ResourceType::Dialog, nullptr, {dialog.ident}u, kDialog{k}, {len(blob)}u}},')
    w('const ResourceEntry kEntries[] = {\n' + ('\n'.join(entries) or '  {ResourceType::RawData, nullptr, 0u, nullptr, 0u},') + '\n};\n')
    strings = [f'  {{{ident}u, {c_string(text)}}},' for ident, text in sorted(reader.strings.items())]
    w('const StringEntry kStrings[] = {\n' + ('\n'.join(strings) or '  {0u, ""},') + '\n};\n')
    w('}  // namespace\n\n')
    w(f'extern const ResourceTable kModuleResources;\n')
    w(f'const ResourceTable kModuleResources = {{kEntries, {len(entries)}u, kStrings, {len(strings)}u}};\n\n')
    w('}  // namespace platform\n')


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('-I', dest='include', action='append', default=[])
    ap.add_argument('-o', dest='output', required=True)
    ap.add_argument('--depfile')
    ap.add_argument('rcfile')
    args = ap.parse_args()
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    reader = RcReader(args.include)
    reader.read(args.rcfile)
    tmp = args.output + '.tmp'
    with open(tmp, 'w') as out:
        generate(reader, out)
    os.replace(tmp, args.output)
    if args.depfile:
        with open(args.depfile, 'w') as d:
            deps = ' '.join(p.replace(' ', '\\ ') for p in sorted(set(reader.files_read)))
            d.write(f'{args.output}: {deps}\n')


if __name__ == '__main__':
    main()

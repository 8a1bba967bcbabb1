"""DIALOG and DIALOGEX templates of the resource script subset, encoded in the extended
dialog template form (DLGTEMPLATEEX) that the Windows resource compiler produces, so the
headless dialog reads the same kind of bytes on every target.

Control styles in CONTROL statements must be named (WS_GROUP | BS_OWNERDRAW), so that the
style expression can be told apart from the four numbers of the rectangle."""
import struct

# Window, dialog and control styles used by the project's templates.
STYLE_CONSTANTS = {
    'WS_OVERLAPPED': 0x00000000, 'WS_POPUP': 0x80000000, 'WS_CHILD': 0x40000000,
    'WS_VISIBLE': 0x10000000, 'WS_DISABLED': 0x08000000, 'WS_CAPTION': 0x00C00000,
    'WS_BORDER': 0x00800000, 'WS_DLGFRAME': 0x00400000, 'WS_VSCROLL': 0x00200000,
    'WS_HSCROLL': 0x00100000, 'WS_SYSMENU': 0x00080000, 'WS_GROUP': 0x00020000,
    'WS_TABSTOP': 0x00010000, 'WS_EX_CLIENTEDGE': 0x00000200, 'WS_EX_STATICEDGE': 0x00020000,
    'DS_MODALFRAME': 0x80, 'DS_SETFONT': 0x40, 'DS_CENTER': 0x800, 'DS_3DLOOK': 0x4,
    'DS_SHELLFONT': 0x48,
    'BS_PUSHBUTTON': 0x0, 'BS_DEFPUSHBUTTON': 0x1, 'BS_CHECKBOX': 0x2, 'BS_AUTOCHECKBOX': 0x3,
    'BS_RADIOBUTTON': 0x4, 'BS_GROUPBOX': 0x7, 'BS_AUTORADIOBUTTON': 0x9, 'BS_OWNERDRAW': 0xB,
    'BS_BITMAP': 0x80, 'BS_CENTER': 0x300, 'BS_MULTILINE': 0x2000,
    'ES_LEFT': 0x0, 'ES_CENTER': 0x1, 'ES_RIGHT': 0x2, 'ES_MULTILINE': 0x4,
    'ES_AUTOHSCROLL': 0x80, 'ES_READONLY': 0x800, 'ES_NUMBER': 0x2000,
    'SS_LEFT': 0x0, 'SS_CENTER': 0x1, 'SS_RIGHT': 0x2, 'SS_ICON': 0x3, 'SS_BITMAP': 0xE,
    'SS_NOPREFIX': 0x80, 'SS_CENTERIMAGE': 0x200, 'SS_ETCHEDFRAME': 0x12,
    'LBS_NOTIFY': 0x1, 'LBS_OWNERDRAWFIXED': 0x10, 'LBS_HASSTRINGS': 0x40,
    'LBS_NOINTEGRALHEIGHT': 0x100, 'LBS_DISABLENOSCROLL': 0x1000,
    'CBS_DROPDOWN': 0x2, 'CBS_DROPDOWNLIST': 0x3, 'CBS_SORT': 0x100, 'CBS_HASSTRINGS': 0x200,
    'UDS_WRAP': 0x1, 'UDS_SETBUDDYINT': 0x2, 'UDS_ALIGNRIGHT': 0x4, 'UDS_ALIGNLEFT': 0x8,
    'UDS_AUTOBUDDY': 0x10, 'UDS_ARROWKEYS': 0x20, 'UDS_HORZ': 0x40, 'UDS_NOTHOUSANDS': 0x80,
}

BUTTON, EDIT, STATIC, LISTBOX, COMBOBOX = 0x80, 0x81, 0x82, 0x83, 0x85

# Statement word: (class atom, default style, text given?) as the resource compiler has them.
STATEMENTS = {
    'PUSHBUTTON': (BUTTON, 0x0 | 0x10000, True),
    'DEFPUSHBUTTON': (BUTTON, 0x1 | 0x10000, True),
    'AUTOCHECKBOX': (BUTTON, 0x3 | 0x10000, True),
    'CHECKBOX': (BUTTON, 0x2 | 0x10000, True),
    'AUTORADIOBUTTON': (BUTTON, 0x9, True),
    'RADIOBUTTON': (BUTTON, 0x4, True),
    'GROUPBOX': (BUTTON, 0x7, True),
    'LTEXT': (STATIC, 0x0 | 0x20000, True),
    'CTEXT': (STATIC, 0x1 | 0x20000, True),
    'RTEXT': (STATIC, 0x2 | 0x20000, True),
    'EDITTEXT': (EDIT, 0x00800000 | 0x10000, False),
    'LISTBOX': (LISTBOX, 0x00800000 | 0x1, False),
    'COMBOBOX': (COMBOBOX, 0x0, False),
}
CLASS_NAMES = {'BUTTON': BUTTON, 'EDIT': EDIT, 'STATIC': STATIC, 'LISTBOX': LISTBOX,
               'COMBOBOX': COMBOBOX}
CHILD_VISIBLE = 0x40000000 | 0x10000000


class Dialog:
    def __init__(self, ident):
        self.ident = ident
        self.x = self.y = self.cx = self.cy = 0
        self.style = 0x80000000 | 0x00C00000 | 0x80 | 0x00080000
        self.ex_style = 0
        self.caption = ''
        self.font = None
        self.controls = []  # (class, text, id, x, y, cx, cy, style, ex_style)

    def encode(self):
        def wstr(text):
            return text.encode('utf-16-le') + b'\0\0'

        def class_or_name(cls):
            if isinstance(cls, int):
                return struct.pack('<HH', 0xFFFF, cls)
            return wstr(cls)

        style = self.style | (0x40 if self.font else 0)
        out = bytearray(struct.pack('<HHIIIHhhhh', 1, 0xFFFF, 0, self.ex_style, style,
                                    len(self.controls), self.x, self.y, self.cx, self.cy))
        out += b'\0\0' + b'\0\0' + wstr(self.caption)  # no menu, default class
        if self.font:
            size, face = self.font
            out += struct.pack('<HHBB', size, 400, 0, 1) + wstr(face)
        for cls, text, ident, x, y, cx, cy, cstyle, ex in self.controls:
            while len(out) % 4:
                out += b'\0'
            out += struct.pack('<IIIhhhhI', 0, ex, cstyle, x, y, cx, cy, ident & 0xFFFFFFFF)
            out += class_or_name(cls) + wstr(text) + b'\0\0'
        return bytes(out)


def parse_dialog(reader, toks, i):
    """Reads a DIALOG/DIALOGEX statement starting at toks[i]; returns (Dialog, next index)."""
    for name, value in STYLE_CONSTANTS.items():
        reader.defines.setdefault(name, str(value))
    dialog = Dialog(reader.number(toks[i][0]))
    i += 2

    def line_from(j):
        """The tokens of one statement line (commas dropped) and the next line's index."""
        items = []
        while j < len(toks) and toks[j][1] != 'eol':
            if toks[j][1] != 'punct':
                items.append(toks[j])
            j += 1
        return items, j + 1

    items, i = line_from(i)
    dialog.x, dialog.y, dialog.cx, dialog.cy = (reader.number(t[0]) for t in items[:4])
    while True:
        items, i = line_from(i)
        if not items:
            continue
        word = items[0][0]
        if word == 'STYLE':
            dialog.style = reader.number(' '.join(t[0] for t in items[1:]))
        elif word == 'EXSTYLE':
            dialog.ex_style = reader.number(' '.join(t[0] for t in items[1:]))
        elif word == 'CAPTION':
            dialog.caption = items[1][0]
        elif word == 'FONT':
            dialog.font = (reader.number(items[1][0]), items[2][0])
        elif word in ('BEGIN', '{'):
            break
        else:
            raise SystemExit(f'rc2cpp: dialog {dialog.ident}: unsupported line {word}')
    while True:
        items, i = line_from(i)
        if not items:
            continue
        word = items[0][0]
        if word in ('END', '}'):
            return dialog, i
        dialog.controls.append(parse_control(reader, word, items[1:]))


def style_value(reader, items):
    """A style expression that may span several tokens ("WS_GROUP | WS_TABSTOP")."""
    return reader.number(' '.join(t[0] for t in items)) if items else 0


def split_styles(reader, rest):
    """Splits the trailing "style, exstyle" items; the tokenizer has dropped the commas, so
    an expression is a run of tokens joined by | or +."""
    groups, current = [], []
    for tok in rest:
        if current and current[-1][0] not in ('|', '+', 'NOT') and tok[0] not in ('|', '+'):
            groups.append(current)
            current = []
        current.append(tok)
    if current:
        groups.append(current)
    return [style_value(reader, g) for g in groups]


def parse_control(reader, word, items):
    if word == 'CONTROL':
        text, ident, cls = items[0][0], reader.number(items[1][0]), items[2][0]
        cls = CLASS_NAMES.get(cls.upper(), cls)
        style_tokens = []
        k = 3
        # The style expression runs up to the four numbers of the rectangle.
        while not _is_number_run(reader, items[k:k + 4]):
            style_tokens.append(items[k])
            k += 1
        style = style_value(reader, style_tokens)
        x, y, cx, cy = (reader.number(t[0]) for t in items[k:k + 4])
        ex = style_value(reader, items[k + 4:])
        return (cls, text, ident, x, y, cx, cy, CHILD_VISIBLE | style, ex)
    if word not in STATEMENTS:
        raise SystemExit(f'rc2cpp: unsupported dialog control {word}')
    cls, default_style, has_text = STATEMENTS[word]
    k = 0
    text = ''
    if has_text:
        text = items[0][0]
        k = 1
    ident = reader.number(items[k][0])
    x, y, cx, cy = (reader.number(t[0]) for t in items[k + 1:k + 5])
    extra = split_styles(reader, items[k + 5:])
    style = default_style | (extra[0] if extra else 0)
    ex = extra[1] if len(extra) > 1 else 0
    return (cls, text, ident, x, y, cx, cy, CHILD_VISIBLE | style, ex)


def _is_number_run(reader, items):
    if len(items) < 4:
        return True
    return all(t[1] == 'word' and t[0].lstrip('-').isdigit() for t in items)

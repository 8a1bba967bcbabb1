#!/usr/bin/env python3
"""Makes the archive that the installer carries until the plug-ins are packed into it:
the help document, the licence page and the licence text, deflated, with fixed times.

Usage: make_archive.py LICENSE_TXT OUTPUT_ZIP
"""
import sys
import zipfile

LICENSE, OUTPUT = sys.argv[1], sys.argv[2]
WHEN = (2002, 9, 13, 12, 0, 0)

HELP = b"""<html><head><title>Kestrel #1 plug-ins</title></head>
<body><h1>Kestrel #1 plug-ins</h1>
<p>Page Curl, Pyrotechnics, Ripple, Lake and Lens: choose them from the plug-in menu of
Framewright Professional.</p></body></html>
"""

with open(LICENSE, 'rb') as f:
    license_text = f.read()
license_page = (b'<html><head><title>Licence</title></head><body><pre>\r\n' + license_text +
                b'</pre></body></html>\r\n')

with zipfile.ZipFile(OUTPUT, 'w', zipfile.ZIP_DEFLATED) as archive:
    for name, data in (('fwplgks1.txt', license_text), ('fwplgks1.html', HELP.replace(b'\n', b'\r\n')),
                       ('license.htm', license_page)):
        info = zipfile.ZipInfo(name, WHEN)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        archive.writestr(info, data)

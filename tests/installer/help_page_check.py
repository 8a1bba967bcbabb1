#!/usr/bin/env python3
"""The help document in a headless browser: it renders, its anchors resolve and its
pictures load. Exits 77 (skipped) when no chromium is installed.

Usage: help_page_check.py PACKAGE_DIR PICTURES_DIR WORKDIR SCREENSHOT

The document and its neighbours are laid out as installed (one html directory). A copy of
the page carries a small script that, once everything has loaded, writes what it found
into the page, which the browser then prints with --dump-dom. The unchanged page is
photographed into SCREENSHOT.
"""
import glob
import os
import re
import shutil
import subprocess
import sys

PACKAGE, PICTURES, WORK, SCREENSHOT = sys.argv[1:5]
TOPICS = ['PAGECURL', 'PYROTECHNICS', 'RIPPLE', 'LAKE', 'LENS', 'ABOUT']

CHECK_SCRIPT = '''<script>
window.addEventListener('load', function () {
  var lines = [];
  Array.prototype.forEach.call(document.images, function (image) {
    lines.push('image ' + image.getAttribute('src') + ' ' +
               (image.complete && image.naturalWidth > 0 ? image.naturalWidth + 'x' + image.naturalHeight : 'broken'));
  });
  Array.prototype.forEach.call(document.querySelectorAll('a[href^="#"]'), function (link) {
    var name = link.getAttribute('href').substring(1);
    lines.push('link ' + name + ' ' + (document.getElementById(name) ? 'found' : 'missing'));
  });
  var result = document.createElement('pre');
  result.id = 'page-check';
  result.textContent = lines.join('\\n') + '\\nheight ' + document.body.scrollHeight;
  document.body.appendChild(result);
});
</script>
'''


def browser():
    for name in ('chromium', 'chromium-browser'):
        path = shutil.which(name)
        if path:
            return path
    return None


def run_browser(program, profile, args):
    command = [program, '--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
               '--disable-component-update', '--disable-sync', '--no-first-run',
               '--user-data-dir=' + profile, '--virtual-time-budget=5000'] + args
    return subprocess.run(command, capture_output=True, timeout=120)


def main():
    program = browser()
    if not program:
        print('SKIPPED: no chromium installed (apt-get install chromium)')
        sys.exit(77)
    shutil.rmtree(WORK, ignore_errors=True)
    html = os.path.join(WORK, 'html')
    os.makedirs(html)
    for path in [os.path.join(PACKAGE, 'fwplgks1.html'), os.path.join(PACKAGE, 'license.htm')] + \
            glob.glob(os.path.join(PICTURES, 'fwplgks1-*')):
        shutil.copy(path, html)
    with open(os.path.join(html, 'fwplgks1.html'), encoding='utf-8') as f:
        page = f.read()
    checked = os.path.join(html, 'checked.html')
    with open(checked, 'w', encoding='utf-8') as f:
        f.write(page.replace('</body>', CHECK_SCRIPT + '</body>'))

    failures = []
    result = run_browser(program, os.path.join(WORK, 'profile-dom'), ['--dump-dom', 'file://' + checked])
    dom = result.stdout.decode('utf-8', 'replace')
    found = re.search(r'<pre id="page-check">(.*?)</pre>', dom, re.S)
    if result.returncode != 0 or not found:
        sys.exit('the page did not render: exit %d\n%s' % (result.returncode, result.stderr.decode('latin-1')[-2000:]))
    lines = found.group(1).splitlines()
    print('\n'.join(lines))
    images = [line.split() for line in lines if line.startswith('image ')]
    links = [line.split() for line in lines if line.startswith('link ')]
    expected = sorted(set(re.findall(r'\bsrc="([^"]+)"', page)))
    if sorted(set(image[1] for image in images)) != expected or len(expected) != 6:
        failures.append('pictures in the page: %s' % [image[1] for image in images])
    failures += ['picture %s does not load' % image[1] for image in images if image[2] == 'broken']
    failures += ['link #%s has no anchor' % link[1] for link in links if link[2] != 'found']
    anchors = set(re.findall(r'\bid="([^"]+)"', page))
    failures += ['no anchor for the topic %s' % topic for topic in TOPICS if topic not in anchors]
    height = int(lines[-1].split()[1]) if lines[-1].startswith('height ') else 0
    if height < 600:
        failures.append('the page is only %d pixels high' % height)

    os.makedirs(os.path.dirname(os.path.abspath(SCREENSHOT)), exist_ok=True)
    result = run_browser(program, os.path.join(WORK, 'profile-shot'),
                         ['--hide-scrollbars', '--window-size=1000,%d' % max(height, 800),
                          '--screenshot=' + os.path.abspath(SCREENSHOT),
                          'file://' + os.path.join(html, 'fwplgks1.html')])
    if result.returncode != 0 or not os.path.isfile(SCREENSHOT) or os.path.getsize(SCREENSHOT) < 1000:
        failures.append('no screenshot: %s' % result.stderr.decode('latin-1')[-500:])
    if failures:
        sys.exit('\n'.join(['FAIL: ' + failure for failure in failures]))
    print('help page: renders, anchors resolve, %d pictures load; screenshot %s' % (len(images), SCREENSHOT))


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""The UI framework's two layers: no file of skinui/core includes a header of skinui/controls,
and core's library does not link the controls' library. And the framework stands on its own:
of the rest of the tree it includes only the header-only owner template app/scoped_resource.h,
which itself includes nothing but <windows.h>, and it links no library of ours. Prints each offence;
exit 1 if any."""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]\s*skinui/controls/')
OURS = re.compile(r'^\s*#\s*include\s*"\s*((?:app|download|sysinfo|report|installer|resources)/[^"]*)"')
ALLOWED_FROM_OUTSIDE = {'app/scoped_resource.h'}
OUR_LIBRARIES = re.compile(r'\bDEPS\b[^)]*\b(app|download|sysinfo|report|installer)\b', re.S)
LINK = re.compile(r'target_link_libraries\s*\(\s*skinui_core\b[^)]*\bskinui_controls\b|'
                  r'velmora_library\s*\(\s*skinui_core\b[^)]*\bDEPS\b[^)]*\bskinui_controls\b',
                  re.S)


def main(root):
    core = pathlib.Path(root) / 'skinui' / 'core'
    offences = []
    for path in sorted(core.rglob('*')):
        if path.suffix in ('.h', '.cpp'):
            for number, line in enumerate(path.read_text(encoding='utf-8').splitlines(), 1):
                if INCLUDE.match(line):
                    offences.append(f'{path}:{number}: core includes a control: {line.strip()}')
    skinui = pathlib.Path(root) / 'skinui'
    for path in sorted(skinui.rglob('*')):
        if path.suffix in ('.h', '.cpp'):
            for number, line in enumerate(path.read_text(encoding='utf-8').splitlines(), 1):
                found = OURS.match(line)
                if found and found.group(1) not in ALLOWED_FROM_OUTSIDE:
                    offences.append(f'{path}:{number}: the framework includes {found.group(1)}')
        if path.name == 'CMakeLists.txt' and OUR_LIBRARIES.search(path.read_text(encoding='utf-8')):
            offences.append(f'{path}: the framework links a library of ours')
    owner = pathlib.Path(root) / 'app' / 'scoped_resource.h'
    if owner.exists():
        for number, line in enumerate(owner.read_text(encoding='utf-8').splitlines(), 1):
            if re.match(r'^\s*#\s*include\s*', line) and '<windows.h>' not in line:
                offences.append(f'{owner}:{number}: the handle owner the framework uses includes '
                                f'more than <windows.h>: {line.strip()}')
    cmake = core / 'CMakeLists.txt'
    if cmake.exists() and LINK.search(cmake.read_text(encoding='utf-8')):
        offences.append(f'{cmake}: skinui_core links skinui_controls')
    for offence in offences:
        print(offence)
    if not (core / 'ui_manager.h').exists() and not offences:
        print(f'{core}: no framework core here')
        return 1
    return 1 if offences else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))

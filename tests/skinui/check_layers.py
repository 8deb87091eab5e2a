#!/usr/bin/env python3
"""The UI framework's two layers: no file of skinui/core includes a header of skinui/controls,
and core's library does not link the controls' library. Prints each offence; exit 1 if any."""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]\s*skinui/controls/')
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

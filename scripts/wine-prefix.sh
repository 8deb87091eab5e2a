#!/usr/bin/env bash
# Prints the path of a ready Wine prefix for one test: <root>/<name>, made from a template
# prefix that is created once per root (creation takes 10-17 s; concurrent callers wait).
set -euo pipefail
root="$1"
name="$2"
mkdir -p "$root"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32
template="$root/template"
# The marker of a finished template (and of prefixes made from it); a new name when what the
# template holds changes, so older templates and prefixes are made again.
ready=".ready-2"
(
  flock 9
  if [ ! -f "$template/$ready" ]; then
    rm -rf "$template"
    WINEPREFIX="$template" wineboot -i >/dev/null 2>&1 || true
    # Internet Options set to a direct connection without automatic detection: a fresh prefix
    # would otherwise look for a proxy (WPAD) beyond loopback. Tests that need a proxy set one.
    WINEPREFIX="$template" wine reg add \
      'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections' \
      /v DefaultConnectionSettings /t REG_BINARY /f \
      /d 4600000000000000010000000000000000000000000000000000000000000000 >/dev/null 2>&1 || true
    # Keyboard cues as Windows has them by default (Wine's default shows them always): focus
    # rectangles and access keys hidden until the keyboard is used.
    WINEPREFIX="$template" wine reg add 'HKCU\Control Panel\Desktop' /v UserPreferencesMask \
      /t REG_BINARY /f /d 1000028012000000 >/dev/null 2>&1 || true
    WINEPREFIX="$template" wineserver -w || true
    touch "$template/$ready"
  fi
) 9>"$root/template.lock"
prefix="$root/$name"
if [ ! -f "$prefix/$ready" ]; then
  # A prefix is about 600 MB, mostly DLLs that nothing writes: hard-link those and give each
  # prefix its own copy of the registry, which the tests change.
  rm -rf "$prefix" "$prefix.tmp"
  cp -al "$template" "$prefix.tmp"
  for reg in "$template"/*.reg; do
    cp --remove-destination "$reg" "$prefix.tmp/"
  done
  mv "$prefix.tmp" "$prefix"
fi
echo "$prefix"

#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the repository's own inputs.

usage: make_seeds.py REPO_ROOT OUT_DIR

OUT_DIR/<target>/ gets one file per seed: the layouts as they are (xml), image specs and marked-up
texts from the layouts' attributes and the skin tests' string literals (image_spec, markup), the
INI texts of the reader, settings and configuration tests (ini), and all of these as bytes (md5).
OUT_DIR/regressions/<target>/ gets the regression inputs too large to keep in the repository.
"""
import hashlib
import html
import pathlib
import re
import sys

LAYOUT_DIRS = ["resources/layouts", "tests/skinui/builder_layouts", "tools/skinpreview/samples"]
ATTRIBUTE = re.compile(r'([A-Za-z_:][\w:]*)\s*=\s*"([^"]*)"')
# A C++ string literal, narrow or wide, with the literals it is concatenated with.
LITERAL = re.compile(r'L?"((?:[^"\\\n]|\\.)*)"')
ESCAPE = re.compile(r'\\(u[0-9a-fA-F]{4}|x[0-9a-fA-F]{1,4}|[0-7]{1,3}|.)')
SIMPLE_ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "0": "\0", "\\": "\\", '"': '"', "'": "'"}


def decode_literal(body):
    def one(match):
        e = match.group(1)
        if e[0] in "ux" and len(e) > 1:
            return chr(int(e[1:], 16))
        if e in SIMPLE_ESCAPES:
            return SIMPLE_ESCAPES[e]
        if e.isdigit():
            return chr(int(e, 8))
        return e
    return ESCAPE.sub(one, body)


def literals(path):
    return [decode_literal(m.group(1)) for m in LITERAL.finditer(path.read_text("utf-8"))]


def layout_files(root):
    for d in LAYOUT_DIRS:
        yield from sorted((root / d).glob("*.xml"))


def attributes(root):
    for f in layout_files(root):
        for name, value in ATTRIBUTE.findall(f.read_text("utf-8")):
            yield name.lower(), html.unescape(value)


def write(out, target, seeds):
    folder = out / target
    folder.mkdir(parents=True, exist_ok=True)
    count = 0
    for seed in seeds:
        data = seed if isinstance(seed, bytes) else seed.encode("utf-8")
        (folder / hashlib.sha1(data).hexdigest()[:16]).write_bytes(data)
        count += 1
    return count


def freshness_seeds():
    # Accepted serial (8 bytes), today (year offset from 1970 in 2 bytes, month, day), then
    # "serial\nexpires".
    today = bytes([0, 0, 0, 0, 0, 0, 0, 5]) + bytes([56, 0, 11, 6])  # 2026-12-07
    return [today + t for t in (b"7\n2027-01-31", b"4\n2026-12-07", b"0005\n2024-02-29",
                                b"999999999999999999\n2026-13-01", b"\n", b"7\n2026-12-06")]


def main():
    root, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    xml = [f.read_bytes() for f in layout_files(root)]

    specs = {v for n, v in attributes(root) if n.endswith("image") or "file='" in v}
    for f in sorted((root / "tests/skinui").glob("*.cpp")):
        specs.update(s for s in literals(f) if "='" in s)
    # A spec and its modifier travel as one input, separated by a 0 unit.
    specs.add("file='a.png' fade='10'\0fade='200'")

    markup = {v for n, v in attributes(root) if n == "text" and ("{" in v or "<" in v)}
    markup.update(s for s in literals(root / "tests/skinui/markup_text_test.cpp")
                  if "{" in s or "<" in s)

    ini = set()
    for f in ["tests/app/ini_reader_test.cpp", "tests/installer/install_settings_test.cpp",
              "tests/download/http_request_test.cpp", "tests/config/config_selection_test.cpp"]:
        ini.update(s for s in literals(root / f) if "=" in s and ("\n" in s or "[" in s))
    server = (root / "tools/testserver/velmora_test_server.py").read_text("utf-8")
    body = re.search(r'def default_config_body\(\):\s*return \(((?:\s*"[^"]*")+)\)', server)
    if body:
        ini.add(decode_literal("".join(re.findall(r'"([^"]*)"', body.group(1)))))

    counts = {
        "xml_fuzzer": write(out, "xml_fuzzer", xml),
        "image_spec_fuzzer": write(out, "image_spec_fuzzer", sorted(specs)),
        "markup_fuzzer": write(out, "markup_fuzzer", sorted(markup)),
        "ini_fuzzer": write(out, "ini_fuzzer", sorted(ini)),
        "md5_fuzzer": write(out, "md5_fuzzer", sorted(ini) + xml),
        "config_freshness_fuzzer": write(out, "config_freshness_fuzzer", freshness_seeds()),
    }
    # One line of 215000 moves of 10000 pixels: past the 32-bit range unless the position is
    # kept in the coordinate range (inside a link, whose rectangle the target checks).
    write(out / "regressions", "markup_fuzzer", ["{a u}" + "{x 10000}" * 215000 + "z{/a}"])

    for target, n in counts.items():
        print(f"[fuzz] {target}: {n} seeds")
        if n == 0:
            sys.exit(f"no seeds for {target}")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Lists the longest C++ function bodies in the product folders.

usage: function_lengths.py [--over N] [--top N] [folder ...]
Default folders: app download installer report skinui sysinfo (the product, no tests or tools).
A function is a brace block opened after a parameter list (optionally followed by const,
noexcept, override, an initializer list or a trailing return type) outside any other function;
its length counts the lines from the line of its name to its closing brace. Lambdas and local
classes count toward the function that holds them. Comments, strings and character literals are
blanked first so that braces inside them do not count.
"""
import argparse
import os
import re
import sys

PRODUCT = ["app", "download", "installer", "report", "skinui", "sysinfo"]
KEYWORDS_NOT_FUNCTIONS = {"if", "for", "while", "switch", "catch", "return", "sizeof", "do"}


def blank(text):
    """Comments, strings and char literals replaced by spaces; newlines kept."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(" " * (j - i))
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not text[i - 1].isalnum()):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                out.append(c)
                i += 1
                continue
            end = text.find(")" + m.group(1) + '"', i)
            end = n if end < 0 else end + len(m.group(1)) + 2
            out.append(re.sub(r"[^\n]", " ", text[i:end]))
            i = end
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            out.append(c + re.sub(r"[^\n]", " ", text[i + 1:j - 1]) + c)
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


HEADER_TAIL = re.compile(
    r"\)\s*(const\s*)?(noexcept(\s*\([^)]*\))?\s*)?(override\s*)?(final\s*)?"
    r"(->\s*[\w:<>,\s*&]+)?\s*(:\s*[^{;]*)?$", re.S)


def function_name(before):
    """The name of the function whose body opens right after `before`, or None."""
    if not HEADER_TAIL.search(before):
        return None
    # The name stands before the first parenthesis (an initializer list comes after it).
    k = before.find("(")
    stripped = before
    m = re.search(r"([~\w:]+|operator\s*[^\s(]+)\s*$", stripped[:k])
    if not m:
        return None
    name = m.group(1)
    if name.split("::")[-1] in KEYWORDS_NOT_FUNCTIONS:
        return None
    return name


def functions(path):
    text = blank(open(path, encoding="utf-8", errors="replace").read())
    results = []
    stack = []  # entries: ("function", name, start_line) or ("scope",)
    last = 0  # where the text since the last ; { or } starts
    for i, c in enumerate(text):
        if c == "{":
            before = text[last:i]
            inside = any(entry[0] == "function" for entry in stack)
            name = None if inside else function_name(before)
            if name:
                header_start = last + len(before) - len(before.lstrip())
                stack.append(("function", name, text.count("\n", 0, header_start) + 1))
            else:
                stack.append(("scope",))
            last = i + 1
        elif c == "}":
            if stack:
                entry = stack.pop()
                if entry[0] == "function":
                    end_line = text.count("\n", 0, i) + 1
                    results.append((end_line - entry[2] + 1, entry[1], entry[2]))
            last = i + 1
        elif c == ";":
            last = i + 1
    return results


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--over", type=int, default=0, help="only functions longer than this")
    parser.add_argument("--top", type=int, default=15)
    parser.add_argument("folders", nargs="*", default=PRODUCT)
    args = parser.parse_args()
    rows = []
    for folder in args.folders:
        for base, _, files in os.walk(folder):
            for f in sorted(files):
                if f.endswith((".cpp", ".h", ".c")):
                    path = os.path.join(base, f)
                    rows += [(n, name, path, line) for n, name, line in functions(path)]
    rows.sort(key=lambda r: -r[0])
    shown = [r for r in rows if r[0] > args.over][: args.top]
    for n, name, path, line in shown:
        print(f"{n:5d}  {path}:{line}  {name}")
    print(f"{len(rows)} functions; {sum(1 for r in rows if r[0] > 120)} longer than 120 lines")
    return 0


if __name__ == "__main__":
    sys.exit(main())

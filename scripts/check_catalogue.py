#!/usr/bin/env python3
"""Check a message catalogue file (the embedded catalogue or a message file).

Usage: check_catalogue.py [FILE]   (default: common/messages_en.msgs)

Prints the row count, the rows per kind and per hundred, the longest row and
the number of rows whose fields are separated by blanks only.  Exits 1 when a
line is malformed (bad or missing number, number outside 0..10000, missing or
unknown type, missing text, longer than 255 characters) or when the numbers
are not strictly ascending.
"""
import os
import re
import sys
from collections import Counter

ROW = re.compile(r"([^ \t]*)([ \t]*)([^ \t]*)([ \t]*)(.*)\Z")
KINDS = {"f": "fatal", "e": "error", "m": "message"}


def kind_of(field):
    if field[:1].lower() in KINDS:
        return KINDS[field[:1].lower()]
    if field[:1].isdigit() or field[:1] == "-":
        return "warning"
    return None


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    path = argv[1] if len(argv) > 1 else os.path.join(here, "..", "common", "messages_en.msgs")
    with open(path, "rb") as f:
        lines = f.read().decode("latin-1").split("\n")
    if lines and lines[-1] == "":
        lines.pop()

    problems = []
    kinds, hundreds = Counter(), Counter()
    rows = blank_rows = longest = 0
    longest_no = None
    last = -1
    for lineno, line in enumerate(lines, 1):
        if len(line) > 255:
            problems.append("line %d: longer than 255 characters" % lineno)
        if line.startswith("#"):
            continue
        m = ROW.match(line.lstrip(" \t"))
        number = m.group(1)
        if not number.isdigit() or not 0 <= int(number) <= 10000:
            problems.append("line %d: bad or missing number %r" % (lineno, number))
            continue
        if not m.group(3):
            problems.append("line %d: missing type" % lineno)
            continue
        if not m.group(5):
            problems.append("line %d: missing text" % lineno)
            continue
        kind = kind_of(m.group(3))
        if kind is None:
            problems.append("line %d: unknown type %r" % (lineno, m.group(3)))
            kind = "unknown"
        n = int(number)
        if n <= last:
            problems.append("line %d: number %d does not ascend (previous %d)" % (lineno, n, last))
        last = n
        rows += 1
        kinds[kind] += 1
        hundreds[n // 100 * 100] += 1
        if "\t" not in m.group(2) + m.group(4):
            blank_rows += 1
        if len(line) > longest:
            longest, longest_no = len(line), n

    print("rows: %d" % rows)
    print("kinds: " + ", ".join("%s %d" % (k, kinds[k])
                                for k in ("fatal", "error", "message", "warning", "unknown") if kinds[k]))
    print("per hundred:")
    for h in sorted(hundreds):
        label = "1-99" if h == 0 else "%d-%d" % (h, h + 99)
        print("  %-10s %d" % (label, hundreds[h]))
    print("longest row: %d characters (number %s)" % (longest, longest_no))
    print("rows with blank separators: %d" % blank_rows)
    for p in problems:
        print("error: " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

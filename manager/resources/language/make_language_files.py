#!/usr/bin/env python3
"""Writes the manager's language files lang/armgr_EN.lng and lang/armgr_VN.lng from
armgr_texts.tsv: UTF-16 little-endian with a byte-order mark, CR LF line ends, one "key=value"
line per key in ascending numeric order.

The manager finds a key by a plain substring search for "<key>=", so the first occurrence of
every key's text must be the start of its own line. The checks below refuse a table that would
break that (unsorted keys, a digit followed by "=" inside a value, line breaks in a value)."""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", ".."))


def read_table(path):
    rows = []
    with open(path, encoding="utf-8") as table:
        for number, line in enumerate(table, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            parts = line.split("\t")
            if len(parts) != 3 or not parts[0].isdigit():
                sys.exit(f"{path}:{number}: expected key<TAB>English<TAB>Vietnamese")
            rows.append((int(parts[0]), parts[1], parts[2]))
    return rows


def check(rows):
    keys = [key for key, _, _ in rows]
    if keys != sorted(set(keys)):
        sys.exit("keys must be unique and in ascending order")
    for key, *values in rows:
        for value in values:
            if re.search(r"[0-9]=", value) or "\r" in value or "\n" in value:
                sys.exit(f"value of {key}= must not contain a digit followed by '=' or a line break")


def write(path, rows, column):
    text = "".join(f"{row[0]}={row[column]}\r\n" for row in rows)
    with open(path, "wb") as out:
        out.write(b"\xff\xfe" + text.encode("utf-16-le"))


def main():
    rows = read_table(os.path.join(HERE, "armgr_texts.tsv"))
    check(rows)
    write(os.path.join(ROOT, "lang", "armgr_EN.lng"), rows, 1)
    write(os.path.join(ROOT, "lang", "armgr_VN.lng"), rows, 2)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Generates engine/format/general_legacy_table.cpp, the compiled-in code table of
Jet 4's "General" (legacy) text sort order.

The table says, for every UTF-16 code unit, which bytes it contributes to a text
index key. It is generated from two plain-text data files (one line per code
unit) and committed; neither the build nor the program reads the data files.

Usage (from the repository root):
    python3 tools/gen_general_legacy.py [CODES_DIR] [OUTPUT]
CODES_DIR defaults to ../shared/jet-index-codes and must hold
index_codes_genleg.txt (U+0000-U+00FF) and index_codes_ext_genleg.txt
(U+0100-U+FFFF without the surrogates); OUTPUT defaults to
engine/format/general_legacy_table.cpp. The output is deterministic: running the
script again on the same data gives the same file.

Line format of the data files: a class letter and comma-separated hex fields
(an odd number of digits has an implied leading 0):
    X                 ignored
    S<inline>         simple
    I<inline>,<extra> international (extra bytes carry accent and case)
    U<code>           unprintable
    P<modifier>       modifier added to the previous extra byte
    Z<inline>,<extra or empty>,<1 or empty>   extended, with a kana flag
Surrogate code units are not in the files; their codes are computed here (the
inline value is the code unit minus a fixed offset, the extra byte is 0x3F) and
stored as international entries, which is how the key algorithm treats them.

The table is written as runs: consecutive code units of the same kind whose
inline values rise by one and whose other fields are equal share one record.
"""

import os
import sys

KIND_NAMES = ["X", "S", "I", "U", "P", "Z"]
KIND_ENUM = {"X": "Ignored", "S": "Simple", "I": "International", "U": "Unprintable",
             "P": "Modifier", "Z": "Extended"}
SURROGATE_EXTRA = 0x3F


def hex_bytes(field):
    if field == "":
        return b""
    if len(field) % 2:
        field = "0" + field
    return bytes.fromhex(field)


def parse_line(line, where):
    """Returns (kind, inline bytes, extra bytes, special byte) for one data line."""
    kind = line[:1]
    fields = line[1:].split(",") if len(line) > 1 else [""]
    if kind == "X":
        if line != "X":
            raise ValueError(f"{where}: unexpected fields on an X line: {line!r}")
        return ("X", b"", b"", 0)
    if kind == "S":
        if len(fields) != 1 or not fields[0]:
            raise ValueError(f"{where}: bad S line {line!r}")
        return ("S", hex_bytes(fields[0]), b"", 0)
    if kind == "I":
        if len(fields) != 2 or not fields[0] or not fields[1]:
            raise ValueError(f"{where}: bad I line {line!r}")
        return ("I", hex_bytes(fields[0]), hex_bytes(fields[1]), 0)
    if kind in ("U", "P"):
        code = hex_bytes(fields[0]) if len(fields) == 1 else b""
        if len(code) != 1 or (kind == "P" and code[0] == 0):
            raise ValueError(f"{where}: bad {kind} line {line!r} (expected one non-zero byte)")
        return (kind, b"", b"", code[0])
    if kind == "Z":
        if len(fields) != 3 or not fields[0] or fields[2] not in ("", "1"):
            raise ValueError(f"{where}: bad Z line {line!r}")
        kana = 2 if fields[2] == "1" else 3
        return ("Z", hex_bytes(fields[0]), hex_bytes(fields[1]), kana)
    raise ValueError(f"{where}: unknown class in line {line!r}")


def surrogate_entry(unit):
    if unit < 0xDC00:
        value = unit - 10238
    else:
        offset = (unit - 0xDC00) % 1024
        if offset < 8:
            value = unit - 9992
        elif offset < 262:
            value = unit - 9990
        elif offset < 516:
            value = unit - 9988
        elif offset < 770:
            value = unit - 9986
        else:
            value = unit - 9984
    return ("I", value.to_bytes(2, "big"), bytes([SURROGATE_EXTRA]), 0)


def read_lines(path, expected):
    with open(path, encoding="ascii") as f:
        lines = [line.rstrip("\r\n") for line in f]
    if lines and lines[-1] == "":
        lines.pop()
    if len(lines) != expected:
        raise ValueError(f"{path}: {len(lines)} lines, expected {expected}")
    return lines


def load(codes_dir):
    base = read_lines(os.path.join(codes_dir, "index_codes_genleg.txt"), 256)
    ext = read_lines(os.path.join(codes_dir, "index_codes_ext_genleg.txt"), 0x10000 - 0x100 - 0x800)
    entries = []
    ext_iter = iter(enumerate(ext))
    for unit in range(0x10000):
        if unit < 0x100:
            entries.append(parse_line(base[unit], f"index_codes_genleg.txt:{unit + 1}"))
        elif 0xD800 <= unit <= 0xDFFF:
            entries.append(surrogate_entry(unit))
        else:
            number, line = next(ext_iter)
            entries.append(parse_line(line, f"index_codes_ext_genleg.txt:{number + 1}"))
    return entries


def check_limits(entries):
    for unit, (kind, inline, extra, _special) in enumerate(entries):
        if len(inline) > 4 or len(extra) > 2:
            raise ValueError(f"U+{unit:04X}: inline or extra codes longer than the table allows")
        if inline and inline[0] < 0x02:
            # 0x01 ends the inline part of a key; an inline code may not sort below it.
            raise ValueError(f"U+{unit:04X}: inline code starts below 0x02")


def build_runs(entries):
    runs = []
    for unit, (kind, inline, extra, special) in enumerate(entries):
        value = int.from_bytes(inline, "big") if inline else 0
        shape = (kind, len(inline), extra, special)
        if runs:
            last = runs[-1]
            follows = not inline or value == last["value"] + last["count"]
            if last["shape"] == shape and follows:
                last["count"] += 1
                continue
        runs.append({"shape": shape, "value": value, "count": 1})
    # Expanding the runs must give back every entry.
    unit = 0
    for run in runs:
        kind, inline_length, extra, special = run["shape"]
        for i in range(run["count"]):
            e = entries[unit + i]
            expect_inline = (run["value"] + i).to_bytes(inline_length, "big") if inline_length else b""
            assert (e[0], e[1], e[2], e[3]) == (kind, expect_inline, extra, special), hex(unit + i)
        unit += run["count"]
    assert unit == 0x10000
    return runs


HEADER = """\
// GENERATED by tools/gen_general_legacy.py -- do not edit by hand.
//
// The character code table of Jet 4's "General" (legacy) text sort order: for
// every UTF-16 code unit, the bytes it contributes to a text index key. Stored
// as runs of code units (see general_legacy_table.h); expanded into a flat
// lookup table on first use.
//
// Data source: the index code tables index_codes_genleg.txt and
// index_codes_ext_genleg.txt of the Jackcess project (jahlborn/jackcess,
// https://github.com/jahlborn/jackcess), licensed under the Apache License,
// Version 2.0 (http://www.apache.org/licenses/LICENSE-2.0). The codes are facts
// about the file format recorded by that project; this file is a conversion of
// that data into our own representation. The codes of surrogate code units are
// computed by the generator.
//
// To regenerate (from the repository root):
//   python3 tools/gen_general_legacy.py ../shared/jet-index-codes
"""


def write_cpp(runs, out_path):
    lines = [HEADER]
    lines.append('#include "format/general_legacy_table.h"\n')
    lines.append("namespace jet {\n")
    lines.append("namespace {\n")
    lines.append("using enum GeneralLegacyKind;\n")
    lines.append("// {count, kind, inline length, extra length, special, extra bytes, inline value of the first unit}")
    lines.append(f"constexpr GeneralLegacyRun kRuns[{len(runs)}] = {{")
    row = []
    for run in runs:
        kind, inline_length, extra, special = run["shape"]
        extra_value = int.from_bytes(extra, "big") if extra else 0
        row.append(f"{{{run['count']},{KIND_ENUM[kind]},"
                   f"{inline_length},{len(extra)},{special},0x{extra_value:X},0x{run['value']:X}}}")
        if len(row) == 4:
            lines.append("    " + ", ".join(row) + ",")
            row = []
    if row:
        lines.append("    " + ", ".join(row) + ",")
    lines.append("};\n")
    lines.append("}  // namespace\n")
    lines.append("std::span<const GeneralLegacyRun> generalLegacyRuns() { return kRuns; }\n")
    lines.append("}  // namespace jet")
    text = "\n".join(lines) + "\n"
    with open(out_path, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    return len(text)


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    codes_dir = argv[1] if len(argv) > 1 else os.path.join(root, "..", "shared", "jet-index-codes")
    out_path = argv[2] if len(argv) > 2 else os.path.join(root, "engine", "format", "general_legacy_table.cpp")
    entries = load(codes_dir)
    check_limits(entries)
    runs = build_runs(entries)
    size = write_cpp(runs, out_path)
    counts = {}
    for kind, *_ in entries:
        counts[kind] = counts.get(kind, 0) + 1
    summary = ", ".join(f"{k} {counts.get(k, 0)}" for k in KIND_NAMES)
    print(f"{out_path}: {len(runs)} runs, {size} bytes ({summary})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Generates src/common/pinyin_table.cpp: the pinyin initial of every CJK ideograph that the
pinyin helper knows (one letter per code point).

Source of the readings: the character-to-pinyin map of go-pinyin (MIT licence, copyright 2016
mozillazg), file pinyin_dict.go, as shipped by the Debian package
golang-github-mozillazg-go-pinyin-dev. The generated file is committed, so building the product
never needs that package; only rerunning this script does.

Usage:
    python3 tools/gen_pinyin_table.py [--dict pinyin_dict.go] [--out src/common/pinyin_table.cpp]

Which reading gives the initial of a character with several readings:
  1. An explicit business override (OVERRIDES below) wins.
  2. A character of GB2312 level 1 (the 3 755 most common characters, codes B0A1..D7F9) takes
     the first of its readings whose initial matches the letter under which GB2312 files it:
     level 1 is sorted by pinyin, by the character's common reading, so this picks 长 cháng (长城
     CC), 曾 zēng, 茄 qié (番茄), 厦 xià (厦门), 伺 sì (伺服) instead of the dictionary's first.
  3. Any other character takes the first reading of the dictionary (its most common one).

Ranges covered: U+3400..U+9FFF in one packed string (Extension A, the Yijing block as gaps, the
unified ideographs), plus the few ideographs GBK holds outside it (U+3007 and the compatibility
ideographs of GBK/5), which are listed one by one. A compatibility ideograph the dictionary
lacks takes the initial of its canonical equivalent (NFC). GBK code points are enumerated with
Python's 'gbk' codec (the same table as the iconv GBK converter the product uses).
"""

import argparse
import os
import re
import subprocess
import sys
import unicodedata

PACKAGE = "golang-github-mozillazg-go-pinyin-dev"
RANGE_FIRST = 0x3400
RANGE_LAST = 0x9FFF
NONE = "-"

# Business overrides: characters whose initial in names of trading partners, people and goods
# differs from what rules 2 and 3 give.
OVERRIDES = {
    "行": ("H", "háng: 银行, 商行, 车行, 行业 in partner names (自行车 becomes ZHC)"),
    "翟": ("Z", "zhái: the surname; dí survives only in classical texts"),
}

# Ideographs that GBK holds but the dictionary lacks, with a reading from ordinary dictionaries:
# the one-character unit names, read as the two-syllable unit they abbreviate.
SUPPLEMENT = {
    "兙": ("shíkè", "十克"),
    "兡": ("bǎikè", "百克"),
    "嗧": ("jiālún", "加仑"),
    "瓧": ("shíwǎ", "十瓦"),
    "瓰": ("fēnwǎ", "分瓦"),
    "瓱": ("háowǎ", "毫瓦"),
    "甅": ("líwǎ", "厘瓦"),
}

# Where each letter starts in GB2312 level 1 (the first character filed under it).
GB2312_LEVEL1_BANDS = [
    (0xB0A1, "A"), (0xB0C5, "B"), (0xB2C1, "C"), (0xB4EE, "D"), (0xB6EA, "E"), (0xB7A2, "F"),
    (0xB8C1, "G"), (0xB9FE, "H"), (0xBBF7, "J"), (0xBFA6, "K"), (0xC0AC, "L"), (0xC2E8, "M"),
    (0xC4C3, "N"), (0xC5B6, "O"), (0xC5BE, "P"), (0xC6DA, "Q"), (0xC8BB, "R"), (0xC8F6, "S"),
    (0xCBFA, "T"), (0xCDDA, "W"), (0xCEF4, "X"), (0xD1B9, "Y"), (0xD4D1, "Z"),
]
GB2312_LEVEL1_LAST = 0xD7F9


def find_dict():
    try:
        listing = subprocess.run(["dpkg", "-L", PACKAGE], check=True, capture_output=True,
                                 text=True).stdout
    except (OSError, subprocess.CalledProcessError):
        sys.exit(f"package {PACKAGE} is not installed; pass --dict")
    for line in listing.splitlines():
        if line.endswith("/pinyin_dict.go"):
            return line
    sys.exit(f"pinyin_dict.go not found in package {PACKAGE}; pass --dict")


def find_copyright():
    try:
        listing = subprocess.run(["dpkg", "-L", PACKAGE], check=True, capture_output=True,
                                 text=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return None
    for line in listing.splitlines():
        if line.endswith("/copyright"):
            return line
    return None


def read_dict(path):
    text = open(path, encoding="utf-8").read()
    readings = {}
    for m in re.finditer(r'0x([0-9A-Fa-f]+):\s*"([^"]*)"', text):
        readings[int(m.group(1), 16)] = [r for r in m.group(2).split(",") if r]
    if len(readings) < 20000:
        sys.exit(f"{path}: only {len(readings)} entries read; is this the right file?")
    return readings


def initial_of(reading):
    letter = unicodedata.normalize("NFD", reading)[0].upper()
    if not ("A" <= letter <= "Z"):
        sys.exit(f"reading {reading!r} does not start with a letter")
    return letter


def gbk_code_points():
    """Every code point of a GBK two-byte code, mapped to its code."""
    points = {}
    for lead in range(0x81, 0xFF):
        for trail in range(0x40, 0xFF):
            if trail == 0x7F:
                continue
            try:
                s = bytes([lead, trail]).decode("gbk")
            except UnicodeDecodeError:
                continue
            if len(s) == 1:
                points[ord(s)] = (lead << 8) | trail
    return points


def is_cjk_ideograph(cp):
    return (0x3400 <= cp <= 0x4DBF or 0x4E00 <= cp <= 0x9FFF or 0xF900 <= cp <= 0xFAFF
            or cp == 0x3007)


def gb2312_band(code):
    if not (0xB0A1 <= code <= GB2312_LEVEL1_LAST) or (code & 0xFF) < 0xA1:
        return None
    letter = None
    for start, band in GB2312_LEVEL1_BANDS:
        if code >= start:
            letter = band
    return letter


def choose_initial(cp, readings, gbk):
    ch = chr(cp)
    if ch in OVERRIDES:
        return OVERRIDES[ch][0], "override"
    rs = readings.get(cp)
    if not rs and ch in SUPPLEMENT:
        rs = [SUPPLEMENT[ch][0]]
    if not rs:
        canonical = unicodedata.normalize("NFC", ch)
        if canonical != ch and len(canonical) == 1:
            rs = readings.get(ord(canonical))
    if not rs:
        return None, "missing"
    band = gb2312_band(gbk[cp]) if cp in gbk else None
    if band:
        for r in rs:
            if initial_of(r) == band:
                return band, "gb2312" if initial_of(rs[0]) != band else "first"
        print(f"warning: {ch} U+{cp:04X} filed under {band} but read {rs}", file=sys.stderr)
    return initial_of(rs[0]), "first"


def licence_comment(copyright_path):
    lines = []
    if copyright_path and os.path.exists(copyright_path):
        text = open(copyright_path, encoding="utf-8").read()
        m = re.search(r"^License: MIT\n((?: .*\n?)+)", text, re.M)
        if m:
            for line in m.group(1).splitlines():
                line = line[1:] if line.startswith(" ") else line
                lines.append("" if line == "." else line)
    if not lines:
        sys.exit("MIT licence text not found in the package's copyright file")
    return lines


def c_string_lines(data, width=90):
    return [f'    "{data[i:i + width]}"' for i in range(0, len(data), width)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--dict", help="path of go-pinyin's pinyin_dict.go")
    parser.add_argument("--copyright", help="path of the package's copyright file")
    parser.add_argument("--out", default=os.path.join(here, "..", "src", "common",
                                                      "pinyin_table.cpp"))
    args = parser.parse_args()

    readings = read_dict(args.dict or find_dict())
    gbk = gbk_code_points()

    stats = {"first": 0, "gb2312": 0, "override": 0, "missing": 0}
    packed = []
    for cp in range(RANGE_FIRST, RANGE_LAST + 1):
        letter, why = choose_initial(cp, readings, gbk)
        packed.append(letter or NONE)
        if letter is None and cp in gbk and is_cjk_ideograph(cp):
            stats["missing"] += 1
        elif letter is not None:
            stats[why] += 1
    extras = []
    missing = []
    gbk_cjk = sorted(cp for cp in gbk if is_cjk_ideograph(cp))
    for cp in gbk_cjk:
        if RANGE_FIRST <= cp <= RANGE_LAST:
            if packed[cp - RANGE_FIRST] == NONE:
                missing.append(cp)
            continue
        letter, why = choose_initial(cp, readings, gbk)
        if letter is None:
            missing.append(cp)
        else:
            extras.append((cp, letter))
    if len(gbk_cjk) != 20924:
        sys.exit(f"GBK holds {len(gbk_cjk)} CJK ideographs, expected 20924")

    missing_text = " ".join(f"U+{cp:04X} {chr(cp)}" for cp in missing)
    copyright_path = args.copyright or find_copyright()
    out = []
    out.append("// Pinyin initials of the CJK ideographs. GENERATED by tools/gen_pinyin_table.py;")
    out.append("// do not edit, rerun the script.")
    out.append("//")
    out.append("// Readings from go-pinyin's character map (pinyin_dict.go), by mozillazg,")
    out.append("// distributed under the MIT licence:")
    out.append("//")
    out.append("//   Copyright (c) 2016 mozillazg")
    out.append("//")
    for line in licence_comment(copyright_path):
        out.append(("//   " + line).rstrip())
    out.append("//")
    out.append(f"// GBK holds {len(gbk_cjk)} CJK ideographs; {len(gbk_cjk) - len(missing)} have an "
               f"initial here.")
    out.append(f"// Without a reading in the source ({len(missing)}, left out of the initials):"
               + (" none" if not missing else ""))
    for i in range(0, len(missing), 8):
        out.append("//   " + " ".join(f"U+{cp:04X} {chr(cp)}" for cp in missing[i:i + 8]))
    out.append(f"// Initials in U+{RANGE_FIRST:04X}..U+{RANGE_LAST:04X}: {stats['first']} by "
               f"the first reading, {stats['gb2312']} by the GB2312 level-1 filing,")
    out.append(f"// {stats['override']} by business overrides.")
    out.append("")
    out.append('#include "common/pinyin_table.h"')
    out.append("")
    out.append("namespace dyt::pinyin_table {")
    out.append("")
    out.append(f"// One letter per code point from U+{RANGE_FIRST:04X}; '{NONE}' = no reading.")
    out.append("const char kInitials[] =")
    out.extend(c_string_lines("".join(packed)))
    out[-1] += ";"
    out.append("")
    out.append("// Ideographs outside the packed range that GBK holds, by code point.")
    out.append("const Extra kExtras[] = {")
    row = []
    for cp, letter in extras:
        row.append(f"{{0x{cp:04X}, '{letter}'}},")
        if len(row) == 5:
            out.append("    " + " ".join(row))
            row = []
    if row:
        out.append("    " + " ".join(row))
    out.append("};")
    out.append("")
    out.append("static_assert(sizeof(kInitials) - 1 == kLast - kFirst + 1);")
    out.append("const std::size_t kExtraCount = sizeof(kExtras) / sizeof(kExtras[0]);")
    out.append("")
    out.append("}  // namespace dyt::pinyin_table")
    with open(args.out, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out) + "\n")
    print(f"{args.out}: {len(packed)} code points, {len(extras)} extras, "
          f"{len(missing)} GBK ideographs without reading: {missing_text}")


if __name__ == "__main__":
    main()

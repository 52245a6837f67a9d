#!/usr/bin/env python3
"""Regenerates the character tables of storage/core/lang/.

Writes two C++ data files next to this script's parent folder:
  code_page_tables.cc  byte -> Unicode for every single-byte code page that a
                       language driver of the catalogue uses;
  unicode_props.cc     for every character those code pages hold: its upper
                       and lower case partner, its base letter and accent
                       class (from the canonical decomposition), and its kind.

Sources are Python's standard codecs and unicodedata module, plus the
Kamenicky (KEYBCS2) table below, which Python lacks: code page 437 with the
Czech and Slovak letters placed at 0x80-0xAB and 0xAD (the published
KEYBCS2 table, checked against GNU recode's KEYBCS2 charset).

Run from anywhere:  python3 storage/core/lang/gen/gen_lang_tables.py
"""
import os
import unicodedata as ud

OUT_DIR = os.path.normpath(os.path.join(os.path.dirname(__file__), '..'))

# (code page number, Python codec, display name)
CODE_PAGES = [
    (437, 'cp437', 'DOS US'), (737, 'cp737', 'DOS Greek'),
    (850, 'cp850', 'DOS Multilingual'), (852, 'cp852', 'DOS Latin 2'),
    (857, 'cp857', 'DOS Turkish'), (860, 'cp860', 'DOS Portuguese'),
    (861, 'cp861', 'DOS Icelandic'), (862, 'cp862', 'DOS Hebrew'),
    (863, 'cp863', 'DOS Canadian French'), (865, 'cp865', 'DOS Nordic'),
    (866, 'cp866', 'DOS Russian'), (867, None, 'DOS Kamenicky'),
    (874, 'cp874', 'Windows Thai'), (895, None, 'DOS Kamenicky'),
    (1250, 'cp1250', 'Windows Central European'), (1251, 'cp1251', 'Windows Cyrillic'),
    (1252, 'cp1252', 'Windows Western'), (1253, 'cp1253', 'Windows Greek'),
    (1254, 'cp1254', 'Windows Turkish'), (1255, 'cp1255', 'Windows Hebrew'),
    (1256, 'cp1256', 'Windows Arabic'), (1257, 'cp1257', 'Windows Baltic'),
    (10000, 'mac_roman', 'Mac Roman'), (10006, 'mac_greek', 'Mac Greek'),
    (10007, 'mac_cyrillic', 'Mac Cyrillic'), (10029, 'mac_latin2', 'Mac Central European'),
]

KAMENICKY_OVER_437 = {
    0x80: 0x010C, 0x83: 0x010F, 0x85: 0x010E, 0x86: 0x0164, 0x87: 0x010D,
    0x88: 0x011B, 0x89: 0x011A, 0x8A: 0x0139, 0x8B: 0x00CD, 0x8C: 0x013E,
    0x8D: 0x013A, 0x8F: 0x00C1, 0x91: 0x017E, 0x92: 0x017D, 0x95: 0x00D3,
    0x96: 0x016F, 0x97: 0x00DA, 0x98: 0x00FD, 0x9B: 0x0160, 0x9C: 0x013D,
    0x9D: 0x00DD, 0x9E: 0x0158, 0x9F: 0x0165, 0xA4: 0x0148, 0xA5: 0x0147,
    0xA6: 0x016E, 0xA7: 0x00D4, 0xA8: 0x0161, 0xA9: 0x0159, 0xAA: 0x0155,
    0xAB: 0x0154, 0xAD: 0x00A7,
}

UNDEFINED = 0xFFFF

# Accent classes (secondary weights), in the order accents sort: 1 is "no
# accent"; combining marks follow the common dictionary order; the last
# entries are letters that carry no decomposition but belong to a base letter.
ACCENTS = [
    None, (0x301,), (0x300,), (0x306,), (0x302,), (0x30C,), (0x30A,), (0x308,),
    (0x308, 0x301), (0x30B,), (0x303,), (0x307,), (0x327,), (0x328,), (0x304,),
    (0x653,), (0x654,), (0x655,),
    'stroke', 'ligature', 'sharp', 'dotless', 'eth', 'hook', 'final',
]

# Letters without a decomposition: base letter and accent class.
FOLDS = {
    'ø': ('o', 'stroke'), 'ł': ('l', 'stroke'), 'đ': ('d', 'stroke'),
    'ð': ('d', 'eth'), 'æ': ('a', 'ligature'), 'œ': ('o', 'ligature'),
    'ß': ('s', 'sharp'), 'ı': ('i', 'dotless'), 'ƒ': ('f', 'hook'),
    'ﬁ': ('f', 'ligature'), 'ﬂ': ('f', 'ligature'), 'þ': ('þ', None),
    'ς': ('σ', 'final'), 'ך': ('כ', 'final'), 'ם': ('מ', 'final'),
    'ן': ('נ', 'final'), 'ף': ('פ', 'final'), 'ץ': ('צ', 'final'),
}

KIND_OTHER, KIND_LATIN, KIND_SCRIPT = 0, 1, 2
SCRIPTS = ('GREEK', 'CYRILLIC', 'HEBREW', 'ARABIC', 'THAI')


def decode_table(number, codec):
    if codec is None:  # Kamenicky
        table = decode_table(437, 'cp437')
        for byte, code_point in KAMENICKY_OVER_437.items():
            table[byte] = code_point
        return table
    table = []
    for byte in range(256):
        try:
            table.append(ord(bytes([byte]).decode(codec)))
        except UnicodeDecodeError:
            table.append(UNDEFINED)
    for byte in list(range(0x20)) + [0x7F]:
        assert table[byte] == byte, (number, byte)
    defined = [c for c in table if c != UNDEFINED]
    assert len(defined) == len(set(defined)), number
    return table


def accent_index(key):
    return ACCENTS.index(key) + 1


def props(ch):
    """(upper, lower, base, accent, kind) of one character."""
    code = ord(ch)
    category = ud.category(ch)
    name = ud.name(ch, '')
    if category in ('Lu', 'Ll') and name.startswith('LATIN'):
        kind = KIND_LATIN
    elif (category in ('Lu', 'Ll', 'Lo') and name.startswith(SCRIPTS)) or (
            name.startswith('THAI') and category == 'Mn'):
        kind = KIND_SCRIPT
    else:
        return code, code, 0, 1, KIND_OTHER
    # Simple case mappings: a letter whose full upper case is two letters
    # (sharp s) keeps itself; dotted capital I lowers to plain i.
    upper = ch.upper() if len(ch.upper()) == 1 else ch
    lower = ch.lower()[0]
    assert len(ch.lower()) == 1 or ch == '\u0130', hex(code)
    folded = lower
    if folded in FOLDS:
        base, accent = FOLDS[folded]
        return ord(upper), ord(lower), ord(base), accent_index(accent), kind
    decomposed = ud.normalize('NFD', folded)
    keep_whole = name.startswith('CYRILLIC') and folded != 'ё'
    if len(decomposed) == 1 or keep_whole:
        return ord(upper), ord(lower), ord(folded), 1, kind
    marks = tuple(ord(m) for m in decomposed[1:])
    if marks not in ACCENTS:
        raise SystemExit('no accent class for U+%04X %s' % (code, name))
    base = decomposed[0].lower()
    return ord(upper), ord(lower), ord(base), accent_index(marks), kind


def write_code_pages(tables):
    lines = [HEADER % 'code page tables',
             '#include "storage/core/lang/generated_tables.h"', '',
             'namespace kx::storage::lang_tables {', '']
    for number, _, _ in CODE_PAGES:
        if number == 895:
            continue  # shares the 867 table
        lines.append('static const char16_t kCp%d[256] = {' % number)
        row = tables[number]
        for i in range(0, 256, 8):
            lines.append('    ' + ' '.join('0x%04X,' % c for c in row[i:i + 8]))
        lines.append('};')
        lines.append('')
    lines.append('const CodePageTable kCodePageTables[] = {')
    for number, _, title in CODE_PAGES:
        array = 'kCp867' if number == 895 else 'kCp%d' % number
        lines.append('    {%d, "%s", %s},' % (number, title, array))
    lines.append('};')
    lines.append('const std::size_t kCodePageTableCount = %d;' % len(CODE_PAGES))
    lines.append('')
    lines.append('}  // namespace kx::storage::lang_tables')
    return '\n'.join(lines) + '\n'


def write_props(tables):
    chars = sorted({c for t in tables.values() for c in t if c != UNDEFINED})
    lines = [HEADER % 'Unicode character properties',
             '#include "storage/core/lang/generated_tables.h"', '',
             'namespace kx::storage::lang_tables {', '',
             '// code point, upper, lower, base letter, accent class, kind',
             'const UnicodeProps kUnicodeProps[] = {']
    for code in chars:
        upper, lower, base, accent, kind = props(chr(code))
        lines.append('    {0x%04X, 0x%04X, 0x%04X, 0x%04X, %d, %d},' %
                     (code, upper, lower, base, accent, kind))
    lines.append('};')
    lines.append('const std::size_t kUnicodePropsCount = %d;' % len(chars))
    lines.append('')
    lines.append('}  // namespace kx::storage::lang_tables')
    return '\n'.join(lines) + '\n'


HEADER = ('// Generated by storage/core/lang/gen/gen_lang_tables.py from Python\'s\n'
          '// standard codecs and unicodedata: %s. Do not edit; rerun the script.\n')


def main():
    tables = {n: decode_table(n, codec) for n, codec, _ in CODE_PAGES}
    with open(os.path.join(OUT_DIR, 'code_page_tables.cc'), 'w') as out:
        out.write(write_code_pages(tables))
    with open(os.path.join(OUT_DIR, 'unicode_props.cc'), 'w') as out:
        out.write(write_props(tables))


if __name__ == '__main__':
    main()

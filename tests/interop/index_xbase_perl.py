#!/usr/bin/python3
"""Index files written by kxsorvel are walked by Perl's XBase::Index.

tools/mkindex builds .ndx, .mdx and .cdx files (several levels deep, with
duplicates, unique and descending tags) from generated keys; a small Perl
program walks each tag with XBase::Index (Debian libdbd-xbase-perl) and
prints (key, record number) in the order it finds them. The order and the
record numbers must be the ones the keys call for, worked out here
independently of the index code.
"""
import datetime
import os
import random
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "support"))
from xbase_walk import julian, perl_walk  # noqa: E402

BIN = os.environ.get("KX_BINARY_DIR", "build/test")
MKINDEX = os.path.join(BIN, "tools", "mkindex")





def expected(values, descending=False, unique=False):
    """(value, recno) in index order: value order, record numbers ascending."""
    rows = sorted(((v, r) for r, v in values), key=lambda x: x[1])
    rows.sort(key=lambda x: x[0], reverse=descending)  # stable: recno stays ascending
    if unique:
        seen, kept = set(), []
        for v, r in rows:
            if v not in seen:
                seen.add(v)
                kept.append((v, r))
        rows = kept
    return rows


def bcd_value(key):
    """Numeric value of a 12-byte MDX packed decimal key."""
    count = (key[1] >> 2) & 0x1F
    if count == 0:
        return 0.0
    digits = "".join("%02x" % b for b in key[2:12])[:count]
    value = float("0." + digits + "e%d" % (key[0] - 0x34))
    return -value if key[1] & 0x80 else value


class IndexInterop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        rng = random.Random(5)
        cls.n = 3000
        cls.names = {r: "name %05d" % rng.randrange(900) for r in range(1, cls.n + 1)}
        cls.amounts = {r: "%.2f" % (rng.randrange(-50000, 50000) / 100) for r in range(1, cls.n + 1)}
        base = datetime.date(1990, 1, 1)
        cls.dates = {r: base + datetime.timedelta(days=rng.randrange(5000))
                     for r in range(1, cls.n + 1)}
        cls.ids = {r: rng.randrange(1, 10 ** 6) for r in range(1, cls.n + 1)}

    def build(self, fmt, name, tags, lines):
        path = os.path.join(self.tmp.name, name)
        args = [MKINDEX, "build", fmt, path]
        for tag in tags:
            args += ["--tag"] + list(tag)
        subprocess.run(args, input="\n".join(lines) + "\n", text=True, check=True)
        return path

    def lines(self, tag, values, fmt=str):
        return ["%s\t%d\t%s" % (tag, r, fmt(v)) for r, v in values.items()]

    def test_ndx_character_numeric_and_date(self):
        path = self.build("ndx", "CHAR.NDX", [("NAME", "C", "20", "NAME", "-")],
                          self.lines("NAME", self.names))
        want = [(v.encode().ljust(20), r) for v, r in expected(self.names.items())]
        self.assertEqual(perl_walk(path), want)

        path = self.build("ndx", "NUM.NDX", [("AMOUNT", "N", "8", "AMOUNT", "-")],
                          self.lines("AMOUNT", self.amounts))
        got = perl_walk(path, mode="num")
        self.assertEqual(got, expected((r, float(v)) for r, v in self.amounts.items()))

        path = self.build("ndx", "DATE.NDX", [("BORN", "D", "8", "BORN", "u")],
                          self.lines("BORN", self.dates, lambda d: d.strftime("%Y%m%d")))
        got = perl_walk(path, mode="num")
        want = expected(((r, float(julian(d))) for r, d in self.dates.items()), unique=True)
        self.assertEqual(got, want)

    def test_mdx_tags_of_every_kind(self):
        tags = [("NAME", "C", "20", "NAME", "-"), ("AMOUNT", "N", "12", "AMOUNT", "d"),
                ("BORN", "D", "8", "BORN", "u"), ("RICH", "C", "20", "NAME", "f=AMOUNT>400")]
        lines = (self.lines("NAME", self.names) + self.lines("AMOUNT", self.amounts)
                 + self.lines("BORN", self.dates, lambda d: d.strftime("%Y%m%d"))
                 + ["RICH\t%d\t%s" % (r, self.names[r]) for r, a in self.amounts.items()
                    if float(a) > 400])
        path = self.build("mdx", "TABLE.MDX", tags, lines)

        want = [(v.encode().ljust(20), r) for v, r in expected(self.names.items())]
        self.assertEqual(perl_walk(path, "NAME"), want)
        got = [(bcd_value(k), r) for k, r in perl_walk(path, "AMOUNT")]
        self.assertEqual(got, expected(((r, float(v)) for r, v in self.amounts.items()),
                                       descending=True))
        got = [(struct.unpack("<d", k)[0], r) for k, r in perl_walk(path, "BORN")]
        self.assertEqual(got, expected(((r, float(julian(d))) for r, d in self.dates.items()),
                                       unique=True))
        rich = {r: self.names[r] for r, a in self.amounts.items() if float(a) > 400}
        want = [(v.encode().ljust(20), r) for v, r in expected(rich.items())]
        self.assertEqual(perl_walk(path, "RICH"), want)

    def test_cdx_tags_of_every_kind(self):
        tags = [("NAME", "C", "20", "NAME", "-"), ("AMOUNT", "N", "8", "AMOUNT", "-"),
                ("BORN", "D", "8", "BORN", "d"), ("ID", "I", "4", "ID", "u")]
        lines = (self.lines("NAME", self.names) + self.lines("AMOUNT", self.amounts)
                 + self.lines("BORN", self.dates, lambda d: d.strftime("%Y%m%d"))
                 + self.lines("ID", self.ids))
        path = self.build("cdx", "TABLE.CDX", tags, lines)

        # Perl gives character keys without their trailing blanks.
        want = [(v.encode().rstrip(), r) for v, r in expected(self.names.items())]
        self.assertEqual(perl_walk(path, "NAME", "C"), want)
        got = perl_walk(path, "AMOUNT", "N", "num")
        self.assertEqual(got, expected((r, float(v)) for r, v in self.amounts.items()))
        # Dates as Julian day numbers. A descending CDX tag is stored ascending
        # (FoxPro reads it backwards), so a plain walk sees ascending keys.
        got = perl_walk(path, "BORN", "N", "num")
        self.assertEqual(got, expected((r, float(julian(d))) for r, d in self.dates.items()))
        got = perl_walk(path, "ID", "N", "num")
        self.assertEqual(got, expected(((r, float(v)) for r, v in self.ids.items()), unique=True))


if __name__ == "__main__":
    unittest.main()

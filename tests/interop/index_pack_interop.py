#!/usr/bin/python3
"""Tables with indexes, packed by kxsorvel, have indexes that Perl's
XBase::Index walks correctly.

tools/gentable writes tables with deleted records and indexes of several
kinds: a dBASE IV table with a production .mdx (character, numeric,
descending date and FOR tags), a dBASE III table with two .ndx files its
.inf lists, and a FoxPro table with a structural .cdx. `kxsorvel pack`
drops the deleted records; python3-dbfread then reads the live records and
each index walked by XBase::Index (Debian libdbd-xbase-perl) must give the
keys of exactly those records, each pointing at the record whose field
values make the key, in index order.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

import dbfread

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "support"))
from xbase_walk import julian, perl_walk  # noqa: E402

BIN = os.environ.get("KX_BINARY_DIR", "build/test")
KX = os.path.join(BIN, "cli", "kxsorvel")
GENTABLE = os.path.join(BIN, "tools", "gentable")





def bcd_value(key):
    count = (key[1] >> 2) & 0x1F
    if count == 0:
        return 0.0
    digits = "".join("%02x" % b for b in key[2:12])[:count]
    value = float("0." + digits + "e%d" % (key[0] - 0x34))
    return -value if key[1] & 0x80 else value


def in_order(rows, descending=False):
    """(key, recno) sorted as an index holds them: keys, then record numbers."""
    rows = sorted(rows, key=lambda x: x[1])
    return sorted(rows, key=lambda x: x[0], reverse=descending)


class IndexedPackInterop(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def make_and_pack(self, name, level, indexes):
        path = os.path.join(self.tmp.name, name)
        args = [GENTABLE, path, "--records", "4000", "--deleted", "30", "--memo",
                "--level", str(level), "--seed", "7"]
        for spec in indexes:
            args += ["--index", spec]
        subprocess.run(args, check=True)
        before = len(list(dbfread.DBF(path, load=False).deleted))
        self.assertGreater(before, 500)
        subprocess.run([KX, "pack", path], check=True, capture_output=True)
        table = dbfread.DBF(path, encoding="cp1252")
        records = list(table)
        self.assertEqual(len(list(dbfread.DBF(path, load=False).deleted)), 0)
        return path, {n: rec for n, rec in enumerate(records, start=1)}

    def test_production_mdx(self):
        path, recs = self.make_and_pack(
            "CUST.DBF", 4, ["NAME:UPPER(NAME)", "CUSTNO:CUSTNO", "JOINED-:JOINED",
                            "RICH:NAME:BALANCE > 1000"])
        mdx = os.path.join(self.tmp.name, "CUST.MDX")
        want = in_order((r["NAME"].upper().encode().ljust(30), n) for n, r in recs.items())
        self.assertEqual(perl_walk(mdx, "NAME"), want)
        got = [(bcd_value(k), n) for k, n in perl_walk(mdx, "CUSTNO")]
        self.assertEqual(got, in_order((float(r["CUSTNO"]), n) for n, r in recs.items()))
        got = [(struct.unpack("<d", k)[0], n) for k, n in perl_walk(mdx, "JOINED")]
        self.assertEqual(got, in_order(((float(julian(r["JOINED"])), n) for n, r in recs.items()),
                                       descending=True))
        want = in_order((r["NAME"].encode().ljust(30), n) for n, r in recs.items()
                        if r["BALANCE"] > 1000)
        self.assertEqual(perl_walk(mdx, "RICH"), want)

    def test_ndx_files_listed_in_the_inf(self):
        path, recs = self.make_and_pack("town.dbf", 3,
                                        ["BYCITY.NDX:CITY+NAME", "NUMBERS.NDX:CUSTNO"])
        with open(os.path.join(self.tmp.name, "town.inf")) as f:
            self.assertIn("NDX2=NUMBERS.NDX", f.read())
        want = in_order(((r["CITY"].ljust(20) + r["NAME"].ljust(30)).encode(), n)
                        for n, r in recs.items())
        self.assertEqual(perl_walk(os.path.join(self.tmp.name, "BYCITY.NDX")), want)
        got = perl_walk(os.path.join(self.tmp.name, "NUMBERS.NDX"), mode="num")
        self.assertEqual(got, in_order((float(r["CUSTNO"]), n) for n, r in recs.items()))

    def test_foxpro_structural_cdx(self):
        path, recs = self.make_and_pack("FOX.DBF", 25, ["NAME:NAME", "CUSTNO:CUSTNO"])
        cdx = os.path.join(self.tmp.name, "FOX.CDX")
        # Perl gives character keys without their trailing blanks.
        want = in_order((r["NAME"].encode(), n) for n, r in recs.items())
        self.assertEqual(perl_walk(cdx, "NAME", "C"), want)
        got = perl_walk(cdx, "CUSTNO", "N", "num")
        self.assertEqual(got, in_order((float(r["CUSTNO"]), n) for n, r in recs.items()))


if __name__ == "__main__":
    unittest.main()

#!/usr/bin/python3
"""Packs real tables with kxsorvel and reads them back with other readers.

python3-dbf writes a dBASE III table with memos; a dBASE IV table with its
.dbt comes from the sample collection. Records are flagged deleted, the
table is packed by `kxsorvel pack`, and python3-dbfread must then read
exactly the live records, in order, with the same values and memos, with a
header count and file size that agree. A table held open by another process
must be refused as busy and left byte-identical.
"""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

import dbf
import dbfread

BIN = os.environ.get("KX_BINARY_DIR", "build/test")
KX = os.path.join(BIN, "cli", "kxsorvel")
LOCKHOLDER = os.path.join(BIN, "tools", "lockholder")
DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "dbase")


def live_records(path):
    return [dict(r) for r in dbfread.DBF(path, char_decode_errors="strict", encoding="cp437")]


def header(path):
    with open(path, "rb") as f:
        h = f.read(12)
    count, hlen, rlen = struct.unpack("<IHH", h[4:12])
    return count, hlen, rlen


def flag_deleted(path, recnos):
    _, hlen, rlen = header(path)
    with open(path, "r+b") as f:
        for n in recnos:
            f.seek(hlen + n * rlen)
            f.write(b"*")


def digest(paths):
    h = hashlib.sha256()
    for p in paths:
        with open(p, "rb") as f:
            h.update(f.read())
    return h.hexdigest()


def pack(path):
    return subprocess.run([KX, "pack", path], capture_output=True, text=True)


class PackInterop(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kx-interop-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def assert_packed(self, path, expected):
        result = pack(path)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(live_records(path), expected)
        everything = list(dbfread.DBF(path, load=True, encoding="cp437").deleted)
        self.assertEqual(everything, [])
        count, hlen, rlen = header(path)
        self.assertEqual(count, len(expected))
        self.assertIn(os.path.getsize(path), (hlen + count * rlen, hlen + count * rlen + 1))

    def make_db3_with_memos(self):
        path = os.path.join(self.dir, "PEOPLE.DBF")
        t = dbf.Table(path, "NAME C(20); AGE N(3,0); BORN D; OK L; NOTES M", dbf_type="db3",
                      codepage="cp437")
        t.open(dbf.READ_WRITE)
        for i in range(60):
            notes = ("memo %d " % i) * (i * 7) if i % 5 else ""
            t.append((u"Name %d" % i, i, dbf.Date(1950 + i, 1 + i % 12, 1 + i % 28), i % 2 == 0,
                      notes))
        for i, rec in enumerate(t):
            if i % 3 == 0:
                dbf.delete(rec)
        t.close()
        return path

    def test_dbase3_with_memos_written_by_python_dbf(self):
        path = self.make_db3_with_memos()
        expected = live_records(path)
        self.assertEqual(len(expected), 40)
        self.assert_packed(path, expected)
        t = dbf.Table(path)  # the other reader accepts the result too
        t.open(dbf.READ_ONLY)
        self.assertEqual(len(t), 40)
        self.assertEqual(t[1].notes.rstrip(), ("memo 2 " * 14).rstrip())
        t.close()

    def test_dbase4_sample_with_dbt(self):
        for ext in ("dbf", "dbt"):
            shutil.copy(os.path.join(DATA, "dbase_8b." + ext), self.dir)
        path = os.path.join(self.dir, "dbase_8b.dbf")
        flag_deleted(path, [0, 3, 4, 9])
        expected = live_records(path)
        self.assertEqual(len(expected), 6)
        self.assert_packed(path, expected)

    def test_table_held_by_another_process_is_refused_and_untouched(self):
        path = self.make_db3_with_memos()
        members = [path, path[:-4] + ".DBT"]
        before = digest(members)
        holder = subprocess.Popen([LOCKHOLDER, path], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True)
        try:
            self.assertEqual(holder.stdout.readline().strip(), "held")
            result = pack(path)
        finally:
            holder.stdin.close()
            holder.wait()
        self.assertEqual(result.returncode, 1)
        self.assertIn("busy", result.stderr)
        self.assertIn("10243", result.stderr)
        self.assertEqual(digest(members), before)
        self.assertEqual(pack(path).returncode, 0)  # free again once the holder is gone


if __name__ == "__main__":
    unittest.main(verbosity=2)

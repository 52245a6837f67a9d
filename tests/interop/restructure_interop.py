#!/usr/bin/python3
"""Restructures real tables with `kxsorvel set` and reads them back with
other readers.

python3-dbf writes a dBASE III table with memos (code page 437, accented
text, some records flagged deleted). Changed to level 7, our own reader
(tools/kxdump; the other readers misparse level 7) must see the same records
and memos; changed back to level 3, python3-dbfread and python3-dbf must read
what they read in the original. Levels 4 and 25 are read by dbfread and by
GDAL's ogrinfo (which reads no memos). A language-driver change between
cp437 and cp1252 drivers must keep every character, as dbfread decodes it
with each driver's code page, and a table holding a character cp1252 lacks
must be refused with the record and field named, its files untouched.
"""
import hashlib
import json
import os
import shutil
import subprocess
import tempfile
import unittest

import dbf
import dbfread

BIN = os.environ.get("KX_BINARY_DIR", "build/test")
KX = os.path.join(BIN, "cli", "kxsorvel")
DUMP = os.path.join(BIN, "tools", "kxdump")
OGRINFO = shutil.which("ogrinfo")

NAMES = ["Müller", "Café Noël", "Åsa Ström", "Niño ½", "plain", "Æble £5", "Größe", "¿Qué?"]


def restructure(path, prop, value):
    """`kxsorvel set`, which goes through the component as an application would."""
    word = {"LEVEL": "level", "LANGDRIVER": "langdriver", "BLOCK SIZE": "block-size"}[prop.upper()]
    return subprocess.run([KX, "set", path, word, value], capture_output=True, text=True,
                          stdin=subprocess.DEVNULL)


def dbfread_records(path, encoding=None, deleted=False):
    table = dbfread.DBF(path, encoding=encoding, char_decode_errors="strict", load=True)
    return [dict(r) for r in (table.deleted if deleted else table.records)]


def dump(path):
    out = subprocess.run([DUMP, path], capture_output=True, text=True, check=True).stdout
    return json.loads(out)


def digest(paths):
    h = hashlib.sha256()
    for p in sorted(paths):
        with open(p, "rb") as f:
            h.update(p.encode() + f.read())
        h.update(str(os.stat(p).st_ino).encode())
    return h.hexdigest()


def family(path):
    d = os.path.dirname(path)
    stem = os.path.splitext(os.path.basename(path))[0].lower()
    return [os.path.join(d, n) for n in os.listdir(d) if n.lower().startswith(stem + ".")]


def ogr_features(path):
    """Values of every feature as ogrinfo prints them (strings)."""
    out = subprocess.run([OGRINFO, "-ro", "-al", "-q", path], capture_output=True, text=True,
                         check=True).stdout
    features = []
    for line in out.splitlines():
        if line.startswith("OGRFeature("):
            features.append({})
        elif features and " = " in line and line.startswith("  "):
            key, value = line.strip().split(" = ", 1)
            features[-1][key.split(" (")[0]] = value
    return features


class RestructureInterop(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kx-restructure-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def make_db3(self, name="PEOPLE.DBF", names=NAMES):
        path = os.path.join(self.dir, name)
        t = dbf.Table(path, "NAME C(20); AGE N(3,0); BORN D; OK L; NOTES M", dbf_type="db3",
                      codepage="cp437")
        t.open(dbf.READ_WRITE)
        for i in range(40):
            n = names[i % len(names)]
            notes = ("%s memo %d, " % (n, i)) * (i * 3) if i % 4 else ""
            t.append((n, i, dbf.Date(1950 + i, 1 + i % 12, 1 + i % 28), i % 2 == 0, notes))
        for i, rec in enumerate(t):
            if i % 5 == 0:
                dbf.delete(rec)
        t.close()
        return path

    def check(self, path, prop, value):
        result = restructure(path, prop, value)
        self.assertEqual(result.returncode, 0, result.stderr)

    def assert_same_as_dump(self, path, original, deleted):
        table = dump(path)
        live = [r for r in table["records"] if not r["_deleted"]]
        dead = [r for r in table["records"] if r["_deleted"]]
        for ours, theirs in ((live, original), (dead, deleted)):
            self.assertEqual(len(ours), len(theirs))
            for got, want in zip(ours, theirs):
                self.assertEqual(got["NAME"], want["NAME"])
                self.assertEqual(float(got["AGE"]), want["AGE"])
                self.assertEqual(got["BORN"], want["BORN"].strftime("%Y%m%d"))
                self.assertEqual(got["OK"] in "TtYy", want["OK"])
                self.assertEqual(got["NOTES"] or "", want["NOTES"] or "")
        return table

    def test_dbase3_with_memos_to_level_7_and_back(self):
        path = self.make_db3()
        original = dbfread_records(path)
        deleted = dbfread_records(path, deleted=True)
        self.assertEqual((len(original), len(deleted)), (32, 8))

        self.check(path, "LEVEL", "7")
        with open(path, "rb") as f:
            head = f.read(64)
        self.assertEqual(head[0], 0x8C)
        self.assertEqual(head[32:40], b"DB437US0")
        table = self.assert_same_as_dump(path, original, deleted)
        self.assertEqual((table["level"], table["code_page"]), (7, 437))

        self.check(path, "level", "3")
        with open(path, "rb") as f:
            self.assertEqual(f.read(1)[0], 0x83)
        self.assertEqual(dbfread_records(path), original)
        self.assertEqual(dbfread_records(path, deleted=True), deleted)
        if OGRINFO:
            self.assertEqual([f["NAME"] for f in ogr_features(path)], [r["NAME"] for r in original])
        t = dbf.Table(path)
        t.open(dbf.READ_ONLY)
        try:
            live = [r for r in t if not dbf.is_deleted(r)]
            self.assertEqual(len(live), len(original))
            for got, want in zip(live, original):
                self.assertEqual(got.name.rstrip(), want["NAME"])
                self.assertEqual(got.age, want["AGE"])
                self.assertEqual(got.born, want["BORN"])
                self.assertEqual(got.notes.rstrip(), (want["NOTES"] or "").rstrip())
        finally:
            t.close()

    def test_levels_4_and_25_read_by_dbfread_and_gdal(self):
        path = self.make_db3()
        original = dbfread_records(path)
        for level, version, memo in (("4", 0x8B, ".DBT"), ("25", 0xF5, ".FPT")):
            self.check(path, "LEVEL", level)
            with open(path, "rb") as f:
                self.assertEqual(f.read(1)[0], version)
            self.assertTrue(os.path.exists(path[:-4] + memo))
            self.assertEqual(dbfread_records(path), original, "level " + level)
            if OGRINFO:
                live = ogr_features(path)  # the live records, decoded by byte 29
                self.assertEqual([f["NAME"] for f in live], [r["NAME"] for r in original])
                self.assertEqual([int(f["AGE"]) for f in live], [r["AGE"] for r in original])
                self.assertEqual([f["BORN"] for f in live],
                                 [r["BORN"].strftime("%Y/%m/%d") for r in original])
        self.assertFalse(os.path.exists(path[:-4] + ".DBT"))
        t = dbf.Table(path)  # python3-dbf reads FoxPro 2.x (not dBASE IV)
        t.open(dbf.READ_ONLY)
        try:
            notes = [r.notes.rstrip() for r in t if not dbf.is_deleted(r)]
            self.assertEqual(notes, [(r["NOTES"] or "").rstrip() for r in original])
        finally:
            t.close()

    def test_language_driver_437_to_1252_keeps_every_character(self):
        path = self.make_db3()
        before = dbfread_records(path)  # byte 29 is python-dbf's cp437 mark
        self.check(path, "LANGDRIVER", "DBWINUS0")
        with open(path, "rb") as f:
            self.assertEqual(f.read(30)[29], 0x57)
        self.assertEqual(dbfread_records(path, encoding="cp1252"), before)
        self.assertEqual(dbfread_records(path), before)  # byte 29 says cp1252
        with open(path, "rb") as f:
            raw = f.read()
        self.assertIn("Müller".encode("cp1252"), raw)

        self.check(path, "LANGDRIVER", "db437us0")
        self.assertEqual(dbfread_records(path, encoding="cp437"), before)
        self.assertEqual(dump(path)["lang_driver"], "DB437US0")

    def test_character_cp1252_lacks_is_refused_untouched(self):
        path = self.make_db3(names=["box ░ drawing", "plain"])
        members = family(path)
        self.assertEqual(len(members), 2)
        before = digest(members)
        result = restructure(path, "LANGDRIVER", "DBWINUS0")
        self.assertEqual(result.returncode, 1)
        self.assertIn("0x3004", result.stderr)
        self.assertIn("record 1, field NAME", result.stderr)
        self.assertIn("U+2591", result.stderr)
        self.assertEqual(digest(family(path)), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)

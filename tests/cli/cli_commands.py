#!/usr/bin/python3
"""The kxsorvel tool's commands, arguments and exit statuses."""
import hashlib
import json
import os
import shutil
import subprocess
import tempfile
import unittest

BIN = os.environ.get("KX_BINARY_DIR", "build/test")
KX = os.path.join(BIN, "cli", "kxsorvel")
GENTABLE = os.path.join(BIN, "tools", "gentable")
MKINDEX = os.path.join(BIN, "tools", "mkindex")


def run(*args):
    return subprocess.run([KX, *args], capture_output=True, text=True, stdin=subprocess.DEVNULL)


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class Cli(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kx-cli-")
        self.table = os.path.join(self.dir, "ITEMS.DBF")
        subprocess.run([GENTABLE, self.table, "--records", "200", "--deleted", "25", "--memo",
                        "--level", "4", "--seed", "7"], check=True, capture_output=True)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def test_version(self):
        r = run("--version")
        self.assertEqual((r.returncode, r.stdout), (0, "0.8.3.6\n"))

    def test_about_off_a_terminal_prints_its_lines(self):
        r = run("about")
        self.assertEqual(r.returncode, 0)
        self.assertIn("Version     0.8.3.6", r.stdout)

    def test_usage_errors_exit_2(self):
        for args in [(), ("frobnicate",), ("pack",), ("pack", "a", "b"), ("pack", "--loud", "a"),
                     ("info", "--visible", "a"), ("set", self.table, "level"),
                     ("set", self.table, "colour", "red"), ("pick", "colour", self.table),
                     ("explain", "abc"), ("explain", "70000"), ("langdrivers", "x"), ("about", "x")]:
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertIn("kxsorvel", r.stderr)

    def test_missing_table_is_reported_in_the_engines_words(self):
        r = run("pack", os.path.join(self.dir, "NOPE.DBF"))
        self.assertEqual(r.returncode, 1)
        self.assertIn("NOPE.DBF: Table does not exist. (error 8709, 0x2205)", r.stderr)

    def test_info_json_describes_the_table(self):
        r = run("info", "--json", self.table)
        self.assertEqual(r.returncode, 0, r.stderr)
        info = json.loads(r.stdout)
        self.assertEqual((info["type"], info["level"]), ("DBASE", 4))
        self.assertEqual(info["records"], 200)
        self.assertGreater(info["deleted"], 0)
        self.assertTrue(info["memo_file"].upper().endswith("ITEMS.DBT"))
        self.assertEqual(info["bytes"], os.path.getsize(self.table) +
                         os.path.getsize(info["memo_file"]))

    def test_pack_then_info_shows_no_deleted_records(self):
        before = json.loads(run("info", "--json", self.table).stdout)
        r = run("pack", "--visible", self.table)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr, "")  # no terminal: nothing drawn
        after = json.loads(run("info", "--json", self.table).stdout)
        self.assertEqual(after["records"], before["records"] - before["deleted"])
        self.assertEqual(after["deleted"], 0)
        self.assertLess(after["bytes"], before["bytes"])

    def test_index_named_with_option_is_rebuilt_by_pack(self):
        table = os.path.join(self.dir, "NX.DBF")
        subprocess.run([GENTABLE, table, "--level", "3", "--records", "300", "--deleted", "30",
                        "--index", "NAMES.NDX:NAME", "--seed", "4"], check=True)
        os.remove(os.path.join(self.dir, "NX.INF"))  # only the application knows the index now
        ndx = os.path.join(self.dir, "NAMES.NDX")

        def keys():
            out = subprocess.run([MKINDEX, "dump", ndx], capture_output=True, text=True).stdout
            return [line.split("\t")[1] for line in out.splitlines()[1:]]

        self.assertEqual(len(keys()), 300)
        info = json.loads(run("info", "--json", "--index", "NAMES.NDX", table).stdout)
        self.assertEqual(info["index_files"], [ndx])
        r = run("pack", "--index", "NAMES.NDX", table)
        self.assertEqual(r.returncode, 0, r.stderr)
        live = json.loads(run("info", "--json", table).stdout)["records"]
        self.assertEqual(sorted(int(k) for k in keys()), list(range(1, live + 1)))
        self.assertEqual(run("pack", "--index", "GONE.NDX", table).returncode, 1)

    def test_explain_prints_what_the_report_would_show(self):
        r = run("explain", "0x2803")
        self.assertEqual(r.returncode, 0)
        self.assertEqual(r.stdout, "  ERROR Table is busy.\n10243 (0x2803) DBIERR_FILEBUSY\n")
        self.assertEqual(run("explain", "10043").stdout.splitlines()[0],
                         "  ERROR Invalid language driver.")

    def test_refused_value_leaves_the_table_untouched(self):
        before = digest(self.table)
        for args, message in [(("level", "9"), "'9' is not a value"),
                              (("level", "seven"), "not a valid integer")]:
            with self.subTest(args=args):
                r = run("set", self.table, *args)
                self.assertEqual(r.returncode, 1)
                self.assertIn(message, r.stderr)
        self.assertEqual(digest(self.table), before)

    def test_langdrivers_lists_names_with_code_pages(self):
        r = run("langdrivers")
        self.assertEqual(r.returncode, 0)
        rows = {line.split()[0]: line.split()[1] for line in r.stdout.splitlines()}
        self.assertEqual(rows["DB437US0"], "437")
        self.assertEqual(rows["DBWINUS0"], "1252")

    def test_pick_without_a_terminal_applies_nothing(self):
        before = digest(self.table)
        r = run("pick", "level", self.table)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(digest(self.table), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)

#!/usr/bin/python3
"""`kxsorvel pick` in a terminal: the list is drawn, a keystroke chooses.

The tool runs on a pseudo-terminal as a person would run it; typing "7" at
the level picker of a dBASE III table made by python3-dbf changes the table
to level 7 with its records and memos intact.
"""
import json
import os
import pty
import select
import shutil
import subprocess
import tempfile
import time
import unittest

import dbf
import dbfread

BIN = os.environ.get("KX_BINARY_DIR", "build/test")
KX = os.path.join(BIN, "cli", "kxsorvel")
KXDUMP = os.path.join(BIN, "tools", "kxdump")


def run_on_terminal(args, keys, timeout=20):
    """Runs args on a pty; once the screen shows a picker, types keys."""
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(args[0], args)
    screen, typed, deadline = b"", False, time.time() + timeout
    while time.time() < deadline:
        ready, _, _ = select.select([fd], [], [], 0.2)
        if ready:
            try:
                chunk = os.read(fd, 4096)
            except OSError:
                break
            if not chunk:
                break
            screen += chunk
        if not typed and b"Select Table Level" in screen:
            os.write(fd, keys)
            typed = True
    _, status = os.waitpid(pid, 0)
    os.close(fd)
    return os.waitstatus_to_exitcode(status), screen.decode("latin-1")


class PickOnTerminal(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kx-pick-")
        self.table = os.path.join(self.dir, "T.DBF")
        t = dbf.Table(self.table, "NAME C(12); NOTES M", dbf_type="db3", codepage="cp437")
        t.open(dbf.READ_WRITE)
        for i in range(5):
            t.append(("row %d" % i, "note %d " % i * (i + 1)))
        t.close()
        self.before = [dict(r) for r in dbfread.DBF(self.table, encoding="cp437")]

    def tearDown(self):
        shutil.rmtree(self.dir)

    def level(self):
        out = subprocess.run([KX, "info", "--json", self.table], capture_output=True, text=True)
        return json.loads(out.stdout)["level"]

    def test_typing_7_changes_the_level_to_7(self):
        status, screen = run_on_terminal([KX, "pick", "level", self.table], b"7")
        self.assertEqual(status, 0, screen)
        self.assertIn("3", screen)  # the list with the current value
        self.assertEqual(self.level(), 7)
        dumped = json.loads(subprocess.run([KXDUMP, self.table], capture_output=True,
                                           text=True).stdout)
        rows = dumped["records"] if isinstance(dumped, dict) else dumped
        self.assertEqual([r["NOTES"].rstrip() for r in rows],
                         [r["NOTES"].rstrip() for r in self.before])

    def test_escape_applies_nothing(self):
        status, _ = run_on_terminal([KX, "pick", "level", self.table], b"\x1b")
        self.assertEqual(status, 0)
        self.assertEqual(self.level(), 3)


if __name__ == "__main__":
    unittest.main(verbosity=2)

#!/usr/bin/env python3
"""Runs the built programs as a student's shell would: replies on a pipe,
the data set in a fresh folder, and checks the exit status, the screen and
the file.

usage: real_runs.py BIN_DIR EXPECTED_DIR [unittest arguments]
"""
import os
import subprocess
import sys
import tempfile
import unittest

BIN_DIR = ""
EXPECTED_DIR = ""

EXIT_OK, EXIT_NOT_CREATED, EXIT_INPUT, EXIT_MODEL, EXIT_WRITE = 0, 1, 2, 3, 4


def programs():
    names = sorted(os.listdir(EXPECTED_DIR))
    return [n for n in names if os.access(os.path.join(BIN_DIR, n), os.X_OK)]


def expected_csv(program, seeds="12345_67890"):
    with open(os.path.join(EXPECTED_DIR, program, seeds + ".csv"), "rb") as f:
        return f.read()


def replies(name=b"out.csv", student=b"Jane Doe", seed1=b"12345", seed2=b"67890", last=b"x"):
    return b"\n".join([name, student, seed1, seed2, last]) + b"\n"


def run(program, stdin, folder, shell_prefix=None, **kw):
    """One run with `stdin` as the replies; returns the CompletedProcess."""
    binary = os.path.join(BIN_DIR, program)
    argv = [binary] if shell_prefix is None else ["bash", "-c", shell_prefix + '; exec "$0"', binary]
    return subprocess.run(argv, input=stdin, cwd=folder, capture_output=True, timeout=20, **kw)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ExitStatuses(unittest.TestCase):
    """The numeric exit statuses of the real binaries."""

    def test_complete_run_is_0_and_writes_the_expected_data_set(self):
        for program in programs():
            with self.subTest(program=program), tempfile.TemporaryDirectory() as d:
                # A slash ends a list-directed value: "12345/" reads as 12345.
                r = run(program, replies(seed1=b"12345/", seed2=b"67890/"), d)
                self.assertEqual(r.returncode, EXIT_OK, r.stdout)
                self.assertEqual(read(os.path.join(d, "out.csv")), expected_csv(program))

    def test_existing_file_is_1_and_left_untouched(self):
        for program in programs():
            with self.subTest(program=program), tempfile.TemporaryDirectory() as d:
                with open(os.path.join(d, "out.csv"), "wb") as f:
                    f.write(b"keep me\n")
                r = run(program, replies(), d)
                self.assertEqual(r.returncode, EXIT_NOT_CREATED, r.stdout)
                self.assertIn(b"opening output file failed", r.stdout)
                self.assertEqual(read(os.path.join(d, "out.csv")), b"keep me\n")

    def test_unusable_reply_or_end_of_input_is_2(self):
        cases = [
            (replies(seed1=b"12x45"), b"first seed must be a whole number"),
            (replies(seed2=b"2147483648"), b"second seed must be a whole number"),
            (b"out.csv\nJane Doe\n", b"input ended before the first seed"),
            (b"\n", b"output file is empty"),
        ]
        for program in programs():
            for stdin, message in cases:
                with self.subTest(program=program, stdin=stdin), tempfile.TemporaryDirectory() as d:
                    r = run(program, stdin, d)
                    self.assertEqual(r.returncode, EXIT_INPUT, r.stdout)
                    self.assertIn(message, r.stdout)


class FullDisk(unittest.TestCase):
    """A data set on a file system with no room left."""

    def setUp(self):
        if os.geteuid() != 0:
            self.skipTest("mounting a small tmpfs needs root")
        self.folder = tempfile.mkdtemp()
        r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", self.folder], capture_output=True)
        if r.returncode != 0:
            os.rmdir(self.folder)
            self.skipTest("cannot mount a tmpfs here: " + r.stderr.decode(errors="replace"))

    def tearDown(self):
        subprocess.run(["umount", self.folder], check=True)
        os.rmdir(self.folder)

    def fill(self, leave):
        """Fills the file system, then frees `leave` bytes."""
        filler = os.path.join(self.folder, "filler")
        fd = os.open(filler, os.O_WRONLY | os.O_CREAT, 0o644)
        try:
            while os.write(fd, b"\0" * 4096) > 0:
                pass
        except OSError:
            pass
        os.close(fd)
        if leave:
            os.truncate(filler, max(0, os.path.getsize(filler) - leave))

    def test_no_room_at_all_is_4(self):
        self.fill(0)
        for program in programs():
            with self.subTest(program=program):
                name = program[:16].encode() + b".csv"
                r = run(program, replies(name=name), self.folder)
                self.assertEqual(r.returncode, EXIT_WRITE, r.stdout)


def main():
    global BIN_DIR, EXPECTED_DIR
    BIN_DIR, EXPECTED_DIR = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if not programs():
        raise SystemExit("no program built in " + BIN_DIR)
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=1)


if __name__ == "__main__":
    main()

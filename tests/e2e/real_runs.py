#!/usr/bin/env python3
"""Runs the built programs as a student's shell would: replies on a pipe,
the data set in a fresh folder, and checks the exit status, the screen and
the file.

usage: real_runs.py BIN_DIR EXPECTED_DIR [unittest arguments]
"""
import os
import re
import select
import signal
import subprocess
import sys
import tempfile
import unittest

BIN_DIR = ""
EXPECTED_DIR = ""

EXIT_OK, EXIT_NOT_CREATED, EXIT_INPUT, EXIT_MODEL, EXIT_WRITE = 0, 1, 2, 3, 4

# The text shown just before each of the five waits, per dialog wording.
WAITS = [
    rb"extension[^\n]*\n",
    rb"name of the student\? \(30 chars max\) ?\n",
    rb"(the first random number seed\?|What is first seed number\? )\n",
    rb"(the second random number seed\?|What is second seed number\?)\n",
    rb"done\? Enter any character \n",
]
# Every form's completion message names the output file.
COMPLETED = b"in output file"


def programs():
    names = sorted(os.listdir(EXPECTED_DIR))
    return [n for n in names if os.access(os.path.join(BIN_DIR, n), os.X_OK)]


# One program of each dialog form (A twice: a data set under the 1024-byte
# file-size limit and one over it); gas_isotherm_gen's data set is over
# the 4096 bytes of a stdio buffer.
FORMS = ["corresponding_states_gen", "first_order_gen", "vapor_pressure_gen", "ammonia_equilibrium_gen",
         "gas_isotherm_gen"]


def one_per_form():
    return [p for p in FORMS if p in programs()]


def rotate(programs_, cases):
    """Pairs each case with a program in turn until every case and every
    program has been used once at least."""
    n = max(len(programs_), len(cases))
    return [(programs_[k % len(programs_)], cases[k % len(cases)]) for k in range(n)]


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
        for program in one_per_form():
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
        # Each case on one form at least, each form with one case.
        for program, (stdin, message) in rotate(one_per_form(), cases):
            with self.subTest(program=program, stdin=stdin), tempfile.TemporaryDirectory() as d:
                r = run(program, stdin, d)
                self.assertEqual(r.returncode, EXIT_INPUT, r.stdout)
                self.assertIn(message, r.stdout)
                # The file the dialog began is removed, and the name is free
                # for the next run.
                self.assertEqual(os.listdir(d), [])
                if stdin.startswith(b"out.csv"):
                    self.assertTrue(r.stdout.endswith(b"\n the incomplete file out.csv was removed\n"), r.stdout)
                    again = run(program, replies(), d)
                    self.assertEqual(again.returncode, EXIT_OK, again.stdout)
                    self.assertEqual(read(os.path.join(d, "out.csv")), expected_csv(program))


def prefix_before_seeds(data):
    """The records of a data set before its seed records."""
    lines = data.split(b"\n")
    for k, line in enumerate(lines):
        if b"seed" in line:
            return b"\n".join(lines[:k]) + b"\n"
    raise AssertionError("no seed record")


def file_at_wait(program, k):
    """What the file must hold while the program waits at wait k (0-based)."""
    golden = expected_csv(program)
    return [None, golden.split(b"\n")[0] + b"\n", prefix_before_seeds(golden), prefix_before_seeds(golden), golden][k]


def listing(folder):
    return sorted(os.listdir(folder))


class Dialog:
    """A real binary on pipes, driven one reply at a time."""

    def __init__(self, program, folder):
        self.p = subprocess.Popen([os.path.join(BIN_DIR, program)], cwd=folder, stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.screen = b""

    def expect(self, pattern, timeout=10):
        """Reads the screen until `pattern` shows: the program waits there now."""
        fd = self.p.stdout.fileno()
        while not re.search(pattern, self.screen):
            ready, _, _ = select.select([fd], [], [], timeout)
            chunk = os.read(fd, 65536) if ready else b""
            if not chunk:
                raise AssertionError(f"{pattern!r} never shown; screen: {self.screen!r}")
            self.screen += chunk

    def send(self, reply):
        self.p.stdin.write(reply + b"\n")
        self.p.stdin.flush()

    def finish(self):
        try:
            self.p.stdin.close()
        except BrokenPipeError:
            pass
        with self.p.stdout, self.p.stderr:
            self.screen += self.p.stdout.read()
            err = self.p.stderr.read()
        return self.p.wait(timeout=10), err


REPLIES = [b"out.csv", b"Jane Doe", b"12345", b"67890", b"x"]


class StoppedWhileWaiting(unittest.TestCase):
    """A run stopped by SIGINT, SIGHUP or SIGTERM while it waits for a reply
    removes the data set it began, unless it was complete (the last wait);
    the signal still ends it. SIGKILL cannot be caught: the file keeps the
    records written so far, flushed at every wait."""

    def test_every_wait_of_each_form_and_the_last_wait_of_every_program(self):
        signals = [signal.SIGINT, signal.SIGHUP, signal.SIGTERM]
        runs = [(p, k) for p in one_per_form() for k in range(1, 4)] + [(p, 4) for p in programs()]
        for i, (program, k) in enumerate(runs):
            sig = signals[(i + k) % 3]
            with self.subTest(program=program, wait=k, signal=sig.name), tempfile.TemporaryDirectory() as d:
                dialog = Dialog(program, d)
                for reply, wait in zip(REPLIES[:k], WAITS):
                    dialog.expect(wait)
                    dialog.send(reply)
                dialog.expect(WAITS[k])
                dialog.p.send_signal(sig)
                status, _ = dialog.finish()
                self.assertEqual(status, -sig)
                if k < 4:
                    self.assertEqual(listing(d), [])
                else:
                    self.assertEqual(read(os.path.join(d, "out.csv")), file_at_wait(program, k))

    def test_killed_outright_keeps_what_was_flushed(self):
        for program, k in zip(one_per_form(), [1, 2, 3, 4, 3]):
            with self.subTest(program=program, wait=k), tempfile.TemporaryDirectory() as d:
                dialog = Dialog(program, d)
                for reply, wait in zip(REPLIES[:k], WAITS):
                    dialog.expect(wait)
                    dialog.send(reply)
                dialog.expect(WAITS[k])
                dialog.p.send_signal(signal.SIGKILL)
                status, _ = dialog.finish()
                self.assertEqual(status, -signal.SIGKILL)
                self.assertEqual(read(os.path.join(d, "out.csv")), file_at_wait(program, k))


class ClosedTerminal(unittest.TestCase):
    """Writes to a closed terminal pipe fail instead of killing the run; the
    run ends at its next wait as at the end of the input, the data set
    flushed."""

    def test_closed_before_the_completion_message(self):
        for program in one_per_form():
            with self.subTest(program=program), tempfile.TemporaryDirectory() as d:
                dialog = Dialog(program, d)
                for reply, wait in zip(REPLIES[:3], WAITS):
                    dialog.expect(wait)
                    dialog.send(reply)
                dialog.expect(WAITS[3])
                dialog.p.stdout.close()
                dialog.send(REPLIES[3] + b"\n" + REPLIES[4])
                dialog.p.stdin.close()
                status = dialog.p.wait(timeout=10)
                with dialog.p.stderr:
                    err = dialog.p.stderr.read()
                self.assertEqual(status, EXIT_INPUT, err)
                self.assertIn(b"terminal output could not be written", err)
                self.assertEqual(read(os.path.join(d, "out.csv")), expected_csv(program))

    def test_piped_into_head(self):
        # Where the run stops depends on when head exits; whatever it is,
        # the program is not killed and the file holds whole records, all
        # of them when the run was complete.
        for program in one_per_form():
            with self.subTest(program=program), tempfile.TemporaryDirectory() as d:
                script = 'printf "out.csv\\nJane Doe\\n12345\\n67890\\nx\\n" | "$0" | head -c1 >/dev/null; exit ${PIPESTATUS[1]}'
                r = subprocess.run(["bash", "-c", script, os.path.join(BIN_DIR, program)], cwd=d,
                                   capture_output=True, timeout=20)
                self.assertIn(r.returncode, (EXIT_OK, EXIT_INPUT), r.stderr)
                path = os.path.join(d, "out.csv")
                if os.path.exists(path):
                    got = read(path)
                    golden = expected_csv(program)
                    self.assertTrue(golden.startswith(got) and got.endswith(b"\n"), got)
                    if r.returncode == EXIT_OK:
                        self.assertEqual(got, golden)

    def test_terminal_on_a_full_device(self):
        for program in one_per_form():
            with self.subTest(program=program), tempfile.TemporaryDirectory() as d, open("/dev/full", "wb") as full:
                r = subprocess.run([os.path.join(BIN_DIR, program)], input=replies(), cwd=d, stdout=full,
                                   stderr=subprocess.PIPE, timeout=20)
                self.assertEqual(r.returncode, EXIT_INPUT)
                self.assertIn(b"terminal output could not be written", r.stderr)
                self.assertEqual(os.listdir(d), [], "no prompt was shown, so no reply is taken")


def assert_write_failure(test, r, name=b"out.csv", reason=b"File too large"):
    """Exit 4, the message with the system's reason, no completion message."""
    test.assertEqual(r.returncode, EXIT_WRITE, r.stdout)
    test.assertIn(b"Writing the data-set file failed; the file is incomplete: " + name + b"\n"
                  b" (the system says: " + reason + b")\n", r.stdout)
    test.assertNotIn(COMPLETED, r.stdout)


class FileSizeLimit(unittest.TestCase):
    """Beyond the file-size limit (ulimit -f) a write fails: exit 4 with a
    message and the reason, never a completion message, never SIGXFSZ."""

    def test_limit_inside_the_data_set(self):
        for program in one_per_form():
            golden = expected_csv(program)
            for stdin in (replies(), replies()[:-2]):  # the second ends the input at the last prompt
                with self.subTest(program=program, stdin=stdin), tempfile.TemporaryDirectory() as d:
                    r = run(program, stdin, d, shell_prefix="ulimit -f 1")
                    if len(golden) <= 1024:
                        self.assertIn(r.returncode, (EXIT_OK, EXIT_INPUT))
                        self.assertEqual(read(os.path.join(d, "out.csv")), golden)
                        continue
                    assert_write_failure(self, r)
                    self.assertEqual(read(os.path.join(d, "out.csv")), golden[:1024])

    def test_no_byte_allowed(self):
        for program in one_per_form():
            with self.subTest(program=program), tempfile.TemporaryDirectory() as d:
                r = run(program, replies(), d, shell_prefix="ulimit -f 0")
                assert_write_failure(self, r)
                self.assertNotIn(b"seeds", r.stdout, "the run ends at the first wait after the failed write")
                self.assertEqual(read(os.path.join(d, "out.csv")), b"")


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

    def run_here(self, program):
        name = program[:16].encode() + b".csv"
        return name, run(program, replies(name=name), self.folder)

    def test_no_room_at_all_is_4(self):
        self.fill(0)
        for program in one_per_form():
            with self.subTest(program=program):
                name, r = self.run_here(program)
                assert_write_failure(self, r, name, b"No space left on device")
                self.assertNotIn(b"seeds", r.stdout, "the run ends at the first wait after the failed write")

    def test_room_for_part_of_the_data_set(self):
        self.fill(4096)
        for program in [p for p in one_per_form() if len(expected_csv(p)) > 4096]:
            with self.subTest(program=program):
                name, r = self.run_here(program)
                assert_write_failure(self, r, name, b"No space left on device")
                self.assertTrue(expected_csv(program).startswith(read(os.path.join(self.folder, name.decode()))))
                os.unlink(os.path.join(self.folder, name.decode()))


class CreateFailureReason(unittest.TestCase):
    """The form's message, then one line with the system's reason."""

    def test_reasons(self):
        d = tempfile.mkdtemp()
        os.chmod(d, 0o755)
        os.mkdir(os.path.join(d, "sub"))
        os.mkdir(os.path.join(d, "ro"), 0o555)
        os.chmod(os.path.join(d, "ro"), 0o555)
        with open(os.path.join(d, "out.csv"), "wb") as f:
            f.write(b"keep me\n")
        cases = [
            (b"nofolder/out.csv", b"No such file or directory", None),
            (b"out.csv", b"File exists", None),
            (b"sub", b"File exists", None),
            (b"sub/", b"Is a directory", None),
            # Root may write anywhere; the run is made as nobody there.
            (b"ro/out.csv", b"Permission denied", (lambda: os.setuid(65534)) if os.geteuid() == 0 else None),
        ]
        try:
            for program, (name, reason, become) in rotate(one_per_form(), cases):
                with self.subTest(program=program, name=name):
                    try:
                        r = subprocess.run([os.path.join(BIN_DIR, program)], input=replies(name=name), cwd=d,
                                           capture_output=True, timeout=20, preexec_fn=become)
                    except PermissionError:
                        self.skipTest("the program cannot be run as nobody from " + BIN_DIR)
                    self.assertEqual(r.returncode, EXIT_NOT_CREATED, r.stdout)
                    self.assertRegex(r.stdout, rb"opening output file failed[^\n]*\n \(the system says: "
                                     + re.escape(reason) + rb"\)\n$")
                    self.assertEqual(read(os.path.join(d, "out.csv")), b"keep me\n")
        finally:
            subprocess.run(["rm", "-rf", d])


def name_record(data):
    return data.split(b"\n")[2]


class Names(unittest.TestCase):
    """The 20- and 30-byte cuts, and names that a spreadsheet would run."""

    def test_stray_byte_after_the_cut_costs_no_character(self):
        for program in one_per_form():
            with self.subTest(program=program), tempfile.TemporaryDirectory() as d:
                r = run(program, b"abcdefghijklmnop.csv\xb0\n" + b"A" * 30 + b"\xb0\n12345\n67890\nx\n", d)
                self.assertEqual(r.returncode, EXIT_OK, r.stdout)
                self.assertEqual(os.listdir(d), ["abcdefghijklmnop.csv"])
                self.assertEqual(name_record(read(os.path.join(d, "abcdefghijklmnop.csv"))), b'"' + b"A" * 30 + b'",')

    def test_four_byte_character_at_the_cut(self):
        grin = "\U0001F600".encode()
        cases = [
            (b"A" * 26 + grin + b"B", b"A" * 26 + grin),  # ends exactly at the cut
            (b"A" * 27 + grin, b"A" * 27 + b"   "),        # 3 bytes inside: left out whole
            (b"A" * 29 + grin, b"A" * 29 + b" "),          # 1 byte inside
        ]
        program = programs()[0]
        for typed, cell in cases:
            with self.subTest(typed=typed), tempfile.TemporaryDirectory() as d:
                r = run(program, replies(student=typed), d)
                self.assertEqual(r.returncode, EXIT_OK)
                self.assertEqual(name_record(read(os.path.join(d, "out.csv"))), b'"' + cell + b'",')

    def test_formula_names_are_kept_as_text(self):
        e_acute = "\u00e9".encode()
        cases = [
            (b"=1+1", b"'=1+1" + b" " * 25),
            (b"+SUM(A1:A9)", b"'+SUM(A1:A9)" + b" " * 18),
            (b"-2", b"'-2" + b" " * 27),
            (b'@cmd|"/c calc"!A0', b"'@cmd|'/c calc'!A0" + b" " * 12),
            (b"=" + b"A" * 29, b"'=" + b"A" * 28),          # cut one byte earlier
            (b"-" + b"A" * 27 + e_acute, b"'-" + b"A" * 27 + b" "),  # never half a character
            (b"Jane =Doe", b"Jane =Doe" + b" " * 21),        # only the first character counts
        ]
        for program, (typed, cell) in rotate(one_per_form(), cases):
            golden = expected_csv(program).split(b"\n")
            with self.subTest(program=program, typed=typed), tempfile.TemporaryDirectory() as d:
                r = run(program, replies(student=typed), d)
                self.assertEqual(r.returncode, EXIT_OK)
                got = read(os.path.join(d, "out.csv")).split(b"\n")
                self.assertEqual(got[2], b'"' + cell + b'",')
                self.assertEqual(got[:2] + got[3:], golden[:2] + golden[3:])


def main():
    global BIN_DIR, EXPECTED_DIR
    BIN_DIR, EXPECTED_DIR = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if not programs():
        raise SystemExit("no program built in " + BIN_DIR)
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=1)


if __name__ == "__main__":
    main()

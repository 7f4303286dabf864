#!/usr/bin/env python3
"""Drives each built program through a real pseudo-terminal.

Each prompt must be on the screen before the program waits for its reply
(a prompt left in a buffer makes the wait time out), and the data set the
program writes must be the expected one, byte for byte.

usage: pty_dialog.py BIN_DIR EXPECTED_DIR
"""
import os
import sys
import tempfile

import pexpect

# The text shown just before each of the five waits, per dialog wording.
WAITS = [
    r"extension[^\n]*\r\n",
    r"name of the student\? \(30 chars max\) ?\r\n",
    r"(the first random number seed\?|What is first seed number\? )\r\n",
    r"(the second random number seed\?|What is second seed number\?)\r\n",
    r"done\? Enter any character \r\n",
]


def drive(binary, seeds, expected_csv):
    replies = ["out.csv", "Jane Doe", seeds[0], seeds[1], "x"]
    with tempfile.TemporaryDirectory() as folder:
        child = pexpect.spawn(binary, cwd=folder, encoding="utf-8", timeout=10, echo=False)
        child.delaybeforesend = None
        for wait, reply in zip(WAITS, replies):
            # The program is waiting for this reply now; a prompt it had not
            # flushed would never arrive and the wait would time out.
            child.expect(wait)
            child.sendline(reply)
        child.expect(pexpect.EOF)
        child.close()
        if child.exitstatus != 0:
            raise AssertionError(f"{binary}: exit status {child.exitstatus}")
        with open(os.path.join(folder, "out.csv"), "rb") as f:
            got = f.read()
    with open(expected_csv, "rb") as f:
        want = f.read()
    if got != want:
        raise AssertionError(f"{binary} {seeds}: data set differs from {expected_csv}")


def main():
    bin_dir, expected_dir = sys.argv[1], sys.argv[2]
    ran = 0
    for program in sorted(os.listdir(expected_dir)):
        binary = os.path.join(bin_dir, program)
        if not os.access(binary, os.X_OK):
            continue
        for name in sorted(os.listdir(os.path.join(expected_dir, program))):
            if name.endswith(".csv"):
                seeds = name[:-4].split("_")
                drive(binary, seeds, os.path.join(expected_dir, program, name))
                ran += 1
    if ran == 0:
        raise SystemExit("no program was driven")
    print(f"{ran} dialogs driven through a pseudo-terminal")


if __name__ == "__main__":
    main()

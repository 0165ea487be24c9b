#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The real exprcalc-cli with real files, pipes, descriptors and terminals:
memory stays bounded whatever the input, lost output and unreadable input are
one message and their own exit status, a program driving it line by line
through pipes gets each answer at once, messages name the file and line they
came from, and on a terminal lines are edited and remembered between sessions.

Usage: tests/cli/cli_process_test.py [--runner=WORD ...] [--sanitized] EXPRCALC_CLI [unittest options]

Each --runner word goes before the executable (--runner=wine64 for a Windows
build). Under a runner the system's texts in the messages are its own, so
only the start of those messages is compared. No address-space limit is set
under a runner or for a --sanitized build: Wine and AddressSanitizer reserve
more than that at their start.
"""
import os
import pty
import resource
import select
import signal
import subprocess
import sys
import tempfile
import termios
import threading
import time
import unittest

COMMAND = []
RUNNER = []
LIMIT_ADDRESS_SPACE = True
WRITE_ERROR = 3
READ_ERROR = 4
MIB = 1024  # ru_maxrss and VmHWM count KiB


def run(args=(), stdin=subprocess.DEVNULL, data=None, preexec_fn=None, stdout=subprocess.PIPE,
        stderr=subprocess.PIPE):
    return subprocess.run([*COMMAND, *args], input=data, stdin=None if data is not None else stdin, stdout=stdout,
                          stderr=stderr, preexec_fn=preexec_fn, timeout=120, check=False)


def peak_resident(pid):
    with open(f"/proc/{pid}/status", encoding="ascii") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmHWM:"))


def bytes_read(pid):
    with open(f"/proc/{pid}/io", encoding="ascii") as io:
        return next(int(line.split()[1]) for line in io if line.startswith("rchar:"))


class Memory(unittest.TestCase):
    def test_a_100_mb_line_stays_under_64_mib(self):
        proc = subprocess.Popen(COMMAND, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        block = b"1" * (1 << 20)

        def feed():
            for _ in range(100):
                proc.stdin.write(block)
            proc.stdin.write(b"\n2+2\n")
            proc.stdin.close()

        feeder = threading.Thread(target=feed)
        feeder.start()
        out = proc.stdout.read()
        err = proc.stderr.read()
        feeder.join()
        proc.stdout.close()
        proc.stderr.close()
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
        self.assertEqual((out, err, proc.returncode), (b"4\n", b"<stdin>:1: Expression too long.\n", 1))
        self.assertLess(usage.ru_maxrss, 64 * MIB, "peak resident KiB")

    def test_an_endless_line_keeps_running_in_little_memory(self):
        def limit():
            resource.setrlimit(resource.RLIMIT_AS, (256 << 20, 256 << 20))

        with open("/dev/zero", "rb") as zero:
            proc = subprocess.Popen(COMMAND, stdin=zero, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                    preexec_fn=limit if LIMIT_ADDRESS_SPACE else None)
        try:
            # Until it has read four times the memory it may use, within a minute.
            deadline = time.monotonic() + 60
            while bytes_read(proc.pid) < 256 << 20 and proc.poll() is None and time.monotonic() < deadline:
                time.sleep(0.05)
            self.assertIsNone(proc.poll(), "ended on its own")
            self.assertGreaterEqual(bytes_read(proc.pid), 256 << 20, "bytes read within a minute")
            self.assertLess(peak_resident(proc.pid), 64 * MIB, "peak resident KiB")
        finally:
            proc.kill()
            out, err = proc.communicate()
        self.assertEqual((out, err, proc.returncode), (b"", b"", -signal.SIGKILL))


class Failures(unittest.TestCase):
    def check(self, result, status, message):
        """The exit status and the one message on standard error."""
        if RUNNER:
            message = message[:message.index(b":", len(b"exprcalc-cli: ")) + 2]
            self.assertTrue(result.stderr.startswith(message) and result.stderr.count(b"\n") == 1, result.stderr)
            self.assertEqual(result.returncode, status)
        else:
            self.assertEqual((result.returncode, result.stderr), (status, message))

    def test_full_disk(self):
        with open("/dev/full", "wb") as full:
            self.check(run(["2+2"], stdout=full), WRITE_ERROR, b"exprcalc-cli: write error: No space left on device\n")
            self.check(run(data=b"2+2\n" * 100000, stdout=full), WRITE_ERROR,
                       b"exprcalc-cli: write error: No space left on device\n")

    def test_closed_standard_output(self):
        result = run(["2+2"], stdout=None, preexec_fn=lambda: os.close(1))
        self.check(result, WRITE_ERROR, b"exprcalc-cli: write error: Bad file descriptor\n")

    def test_messages_to_a_full_disk_leave_the_results(self):
        with open("/dev/full", "wb") as full:
            result = run(["--", "1/0", "2+2"], stderr=full)
        self.assertEqual((result.returncode, result.stdout), (WRITE_ERROR, b"4\n"))

    def test_closed_pipe_with_sigpipe_ignored_ends_at_once(self):
        # As under `trap '' PIPE` or Python's os.system: the write fails with
        # EPIPE instead of ending the program.
        script = 'trap "" PIPE; yes 2+2 | "$@" | head -1; echo "${PIPESTATUS[1]}"'
        result = subprocess.run(["bash", "-c", script, "bash", *COMMAND], capture_output=True, timeout=60,
                                check=False)
        self.assertEqual(result.stdout, b"4\n%d\n" % WRITE_ERROR)
        self.assertEqual(result.stderr.count(b"exprcalc-cli: write error: "), 1, result.stderr)
        if not RUNNER:
            self.assertIn(b"exprcalc-cli: write error: Broken pipe\n", result.stderr)

    def test_a_folder_as_input(self):
        folder = os.open(".", os.O_RDONLY)
        try:
            result = run(stdin=folder)
        finally:
            os.close(folder)
        self.check(result, READ_ERROR, b"exprcalc-cli: read error: Is a directory\n")
        self.assertEqual(result.stdout, b"")

    def test_closed_standard_input(self):
        result = run(stdin=None, preexec_fn=lambda: os.close(0))
        self.check(result, READ_ERROR, b"exprcalc-cli: read error: Bad file descriptor\n")
        self.assertEqual(run(["2+2"], stdin=None, preexec_fn=lambda: os.close(0)).returncode, 0)


class Order(unittest.TestCase):
    def test_driven_line_by_line_through_pipes(self):
        # Standard error joins standard output's pipe: each answer, result or
        # message, must arrive before the next line is written.
        proc = subprocess.Popen(COMMAND, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        try:
            for i in range(200):
                line, answer = ((b"1/0", b"<stdin>:%d: Division by zero.\n" % (i + 1)) if i % 3 == 2 else
                                (b"%d*2" % i, b"%d\n" % (i * 2)))
                proc.stdin.write(line + b"\n")
                proc.stdin.flush()
                ready, _, _ = select.select([proc.stdout], [], [], 30)
                self.assertTrue(ready, f"no answer to line {i}")
                self.assertEqual(proc.stdout.readline(), answer)
            proc.stdin.close()
            self.assertEqual(proc.wait(timeout=30), 1)
        finally:
            proc.kill()
            proc.wait()
            proc.stdin.close()
            proc.stdout.close()

    EXPECTED = b"".join(b"<stdin>:%d: Division by zero.\n4\n" % (2 * i + 1) for i in range(5000))

    def test_both_streams_into_one_file_keep_their_order(self):
        with tempfile.TemporaryFile() as both:
            result = run(data=b"1/0\n2+2\n" * 5000, stdout=both, stderr=subprocess.STDOUT)
            both.seek(0)
            self.assertEqual(both.read(), self.EXPECTED)
        self.assertEqual(result.returncode, 1)

    def test_both_streams_into_one_pipe_keep_their_order(self):
        result = run(data=b"1/0\n2+2\n" * 5000, stderr=subprocess.STDOUT)
        self.assertEqual((result.stdout, result.returncode), (self.EXPECTED, 1))


class Files(unittest.TestCase):
    """The files -f names, opened through the system, and a file's name given
    as an expression."""

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        os.chdir(self.folder.name)
        with open("exprs.txt", "wb") as f:
            f.write(b"2+2\n1/0\n3*3")

    def tearDown(self):
        os.chdir("/")
        self.folder.cleanup()

    def test_a_message_names_the_file_and_line(self):
        result = run(["-f", "exprs.txt", "-f", "-"], data=b"1/0\n")
        self.assertEqual((result.stdout, result.stderr, result.returncode),
                         (b"4\n9\n", b"exprs.txt:2: Division by zero.\n<stdin>:1: Division by zero.\n", 1))

    def test_a_file_that_cannot_be_opened(self):
        result = run(["-f", "exprs.txt", "-f", "missing.txt"])
        self.assertEqual(result.stdout, b"4\n9\n")
        self.assertEqual(result.returncode, READ_ERROR)
        self.assertTrue(result.stderr.startswith(b"exprs.txt:2: Division by zero.\nexprcalc-cli: missing.txt: "),
                        result.stderr)

    def test_a_file_given_as_an_expression_gets_a_hint(self):
        result = run(["exprs.txt", "notes.txt"])
        self.assertEqual(result.stderr, b"Invalid input\nexprcalc-cli: 'exprs.txt' is a file: use -f to evaluate its "
                                        b"lines\nInvalid input\n")


KEY_UP = b"\x1b[A"


class Terminal(unittest.TestCase):
    """Typed on a terminal: lines are edited through libedit and kept between
    sessions. Nothing of this on Windows, where the console edits lines."""

    def setUp(self):
        if RUNNER:
            self.skipTest("the console of Windows edits the lines itself")
        self.state = tempfile.TemporaryDirectory()
        self.history = os.path.join(self.state.name, "VarnelSoftware", "Expression Calculator", "cli_history")

    def tearDown(self):
        self.state.cleanup()

    def session(self, *steps, stdout_pipe=False):
        """Each step is a pair (shown, typed): once the screen shows `shown`
        after what was typed last, and the editor has the terminal, types
        `typed`. Then Ctrl+D. Returns the screen's bytes, standard output's
        when it is a pipe, and the exit status."""
        env = {**os.environ, "XDG_STATE_HOME": self.state.name, "TERM": "xterm", "HOME": self.state.name}
        main, secondary = pty.openpty()
        proc = subprocess.Popen(COMMAND, stdin=secondary, stdout=subprocess.PIPE if stdout_pipe else secondary,
                                stderr=secondary, env=env, start_new_session=True)
        os.close(secondary)
        screen = b""

        def read_until(wanted, start):
            nonlocal screen
            deadline = time.monotonic() + 30
            while wanted not in screen[start:]:
                left = deadline - time.monotonic()
                self.assertGreater(left, 0, f"waited for {wanted!r}; the screen shows {screen!r}")
                if select.select([main], [], [], left)[0]:
                    try:
                        screen += os.read(main, 4096)
                    except OSError:  # the program has ended
                        self.fail(f"ended before {wanted!r}; the screen shows {screen!r}")

        def editing():
            """Keys typed while the terminal is still in line mode would be
            taken by the terminal (Ctrl+D as the end of the input)."""
            deadline = time.monotonic() + 30
            while termios.tcgetattr(main)[3] & termios.ICANON:
                self.assertLess(time.monotonic(), deadline, "the editor never took the terminal")
                time.sleep(0.01)

        try:
            mark = 0
            for shown, typed in steps + ((b"", b"\x04"),):
                read_until(shown, mark)
                if not stdout_pipe:
                    editing()
                mark = len(screen)
                os.write(main, typed)
            try:
                status = proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.fail(f"still running after Ctrl+D; the screen shows {screen!r}")
            out = proc.stdout.read() if stdout_pipe else b""
            while select.select([main], [], [], 0)[0]:
                try:
                    more = os.read(main, 4096)
                except OSError:
                    break
                if not more:
                    break
                screen += more
        finally:
            proc.kill()
            proc.wait()
            if proc.stdout:
                proc.stdout.close()
            os.close(main)
        return screen, out, status

    def test_up_then_enter_repeats_the_last_expression(self):
        screen, _, status = self.session((b"> ", b"6*7\r"), (b"42\r\n> ", KEY_UP), (b"6*7", b"\r"),
                                         (b"42\r\n> ", b""))
        self.assertEqual(screen.count(b"42\r\n"), 2, screen)
        self.assertNotIn(b"Invalid character", screen)
        self.assertEqual(status, 0)

    def test_the_history_is_kept_between_sessions(self):
        self.session((b"> ", b"6*7\r"), (b"42\r\n> ", b"1/0\r"), (b"<stdin>:2: Division by zero.\r\n> ", b"   \r"),
                     (b"\r\n\r\n> ", b""))
        with open(self.history, "rb") as f:
            self.assertEqual(f.read(), b"6*7\n1/0\n")
        self.assertEqual(os.stat(self.history).st_mode & 0o777, 0o600)
        # The next session starts with it: Up twice is the first line.
        screen, _, _ = self.session((b"> ", KEY_UP + KEY_UP + b"\r"), (b"42\r\n> ", b""))
        self.assertIn(b"42\r\n", screen)
        with open(self.history, "rb") as f:
            self.assertEqual(f.read(), b"6*7\n1/0\n6*7\n")

    def test_standard_output_through_a_pipe_is_as_without_the_editor(self):
        _, out, status = self.session((b"", b"6*7\r"), (b"", b""), stdout_pipe=True)
        self.assertEqual((out, status), (b"> 42\n> \n", 0))
        self.assertFalse(os.path.exists(self.history))


if __name__ == "__main__":
    while len(sys.argv) > 1 and sys.argv[1].startswith("--runner="):
        RUNNER.append(sys.argv.pop(1)[len("--runner="):])
    if len(sys.argv) > 1 and sys.argv[1] == "--sanitized":
        sys.argv.pop(1)
        LIMIT_ADDRESS_SPACE = False
    LIMIT_ADDRESS_SPACE = LIMIT_ADDRESS_SPACE and not RUNNER
    COMMAND = [*RUNNER, os.path.abspath(sys.argv.pop(1))]
    unittest.main()

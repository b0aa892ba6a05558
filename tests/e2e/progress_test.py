#!/usr/bin/env python3
"""The progress line on a terminal: trawl runs with standard error on a
pseudo-terminal against the fake server, whose answers are slow enough for
the line to appear. It must be drawn in place ("\\r", the text, erase to the
end of the row), erased before a diagnostic is written and erased before
trawl exits; on a pipe it never appears.

Usage: progress_test.py --trawl PATH
Ends with "N passed, N failed"; exit status 1 when a check failed.
"""

import argparse
import json
import os
import pty
import re
import subprocess
import sys
import tempfile
import termios

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_cases  # noqa: E402  (the fake server's driver)

ERASE = "\r\x1b[K"
DRAWN = re.compile(r"\r([^\r\x1b]+)\x1b\[K")


def screen_rows(text):
    """The rows a terminal shows after text: "\r" returns to the start of the
    row, erase-to-end cuts it there, a newline ends it. The last row is the
    one the cursor is on."""
    rows, row, col = [], [], 0
    i = 0
    while i < len(text):
        if text.startswith("\x1b[K", i):
            del row[col:]
            i += 3
            continue
        c = text[i]
        i += 1
        if c == "\r":
            col = 0
        elif c == "\n":
            rows.append("".join(row))
            row, col = [], 0
        else:
            row[col:col + 1] = [c]
            col += 1
    rows.append("".join(row))
    return rows


def record(name, data):
    return {"obj": {"rrname": name, "rrtype": "A", "rdata": [data]}}


def run_on(server, args, script, stdin_text, on_tty, term="xterm", stdout_on_tty=False,
           stdin_on_tty=False):
    """Runs trawl; returns (stdout, stderr as text, status). With
    stdout_on_tty both go to the terminal, and stdout is empty. With
    stdin_on_tty the input is typed on the terminal (without echo), then
    ended with ^D."""
    server.control("POST", "/_control/reset")
    server.control("POST", "/_control/script", json.dumps(script).encode())
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": tempfile.gettempdir(),
           "LC_ALL": "C", "TERM": term, "TROVE_API_KEY": "k", "TROVE_SERVER": server.url()}
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as inp:
        inp.write(stdin_text.encode())
        inp.seek(0)
        if not on_tty:
            proc = subprocess.run([ARGS.trawl] + args, stdin=inp, stdout=out,
                                  stderr=subprocess.PIPE, env=env, timeout=20)
            out.seek(0)
            return out.read().decode(), proc.stderr.decode(), proc.returncode
        master, slave = pty.openpty()
        if stdin_on_tty:
            attrs = termios.tcgetattr(slave)
            attrs[3] &= ~termios.ECHO
            termios.tcsetattr(slave, termios.TCSANOW, attrs)
        proc = subprocess.Popen([ARGS.trawl] + args, stdin=slave if stdin_on_tty else inp,
                                stdout=slave if stdout_on_tty else out, stderr=slave, env=env)
        os.close(slave)
        if stdin_on_tty:
            os.write(master, stdin_text.encode() + b"\x04")
        chunks = []
        while True:
            try:
                data = os.read(master, 4096)
            except OSError:  # EIO: every writer of the terminal has gone
                break
            if not data:
                break
            chunks.append(data)
        os.close(master)
        status = proc.wait(timeout=20)
        out.seek(0)
        return out.read().decode(), b"".join(chunks).decode(), status


FAILURES = []


def check(what, condition, shown):
    if not condition:
        FAILURES.append(what)
        print("FAIL: %s\n  stderr: %r" % (what, shown))


def single_query(server):
    """One query whose stream stalls 1.4 s between its records, standard
    output on the same terminal: its lines must not run into the progress
    line."""
    script = [{"deliveries": [
        {"lines": [{"cond": "begin"}, record("a.example.", "192.0.2.1")]},
        {"lines": [record("b.example.", "192.0.2.2"), {"cond": "succeeded"}],
         "delay_ms": 1400}]}]
    _, err, status = run_on(server, ["-p", "minimal", "-r", "x.example"], script, "", True,
                            stdout_on_tty=True)
    drawn = DRAWN.findall(err)
    check("single: status 0", status == 0, err)
    check("single: records on rows of their own, the line erased at the end",
          screen_rows(err) == ["192.0.2.1", "192.0.2.2", ""], err)
    check("single: a progress line was drawn", len(drawn) >= 1, err)
    check("single: it counts records and bytes",
          any(re.fullmatch(r"1 record, \d+ bytes received, 0:0[12] elapsed", d) for d in drawn),
          err)
    check("single: at most ten draws a second", len(drawn) <= 6, err)


def batch(server, on_tty):
    """Three lines of 0.6 s each; the third fails and logs after the line showed."""
    script = [{"path": "a[.]example", "delay_ms": 600,
               "lines": [{"cond": "begin"}, record("a.example.", "192.0.2.1"),
                         {"cond": "succeeded"}]},
              {"path": "b[.]example", "delay_ms": 600,
               "lines": [{"cond": "begin"}, record("b.example.", "192.0.2.2"),
                         {"cond": "succeeded"}]},
              {"path": "c[.]example", "status": 404, "delay_ms": 200, "body": "Gone\n"}]
    lines = "rrset/name/a.example\nrrset/name/b.example\nrrset/name/c.example\n"
    stdout, err, status = run_on(server, ["-f", "-p", "minimal"], script, lines, on_tty)
    where = "batch on a terminal" if on_tty else "batch on a pipe"
    check(where + ": status 1", status == 1, err)
    check(where + ": records on standard output",
          stdout == "192.0.2.1\n--\n192.0.2.2\n--\n--\n", stdout)
    logged = [line for line in err.replace(ERASE, "\n").splitlines() if "trawl [" in line]
    check(where + ": the failure is logged", len(logged) == 2
          and logged[1].endswith("batch line status: ERROR (Gone)"), err)
    if not on_tty:
        check(where + ": no progress line", "\r" not in err and "\x1b" not in err
              and "elapsed" not in err, err)
        return
    drawn = DRAWN.findall(err)
    check(where + ": a progress line was drawn", len(drawn) >= 1, err)
    check(where + ": it counts lines and records",
          any(re.fullmatch(r"(1 line|2 lines) done, 0 failed, [12] records?, 0:01 elapsed", d)
              for d in drawn), err)
    rows = screen_rows(err)
    check(where + ": drawn before the failure was logged",
          err.find("\x1b[K") < err.index("trawl ["), err)
    check(where + ": log lines on rows of their own, the line erased at the end",
          len(rows) == 3 and all(r.startswith("trawl [") for r in rows[:2]) and rows[2] == "",
          err)


def batch_typed(server):
    """Lines typed on the terminal: the progress line would share the row
    the user types on, so none is drawn."""
    script = [{"path": "a[.]example", "delay_ms": 1300,
               "lines": [{"cond": "begin"}, record("a.example.", "192.0.2.1"),
                         {"cond": "succeeded"}]}]
    stdout, err, status = run_on(server, ["-f", "-p", "minimal"], script,
                                 "rrset/name/a.example\n", True, stdin_on_tty=True)
    check("typed batch: status 0", status == 0, err)
    check("typed batch: the answer", stdout == "192.0.2.1\n--\n", stdout)
    check("typed batch: no progress line", "\r" not in err and "elapsed" not in err, err)


def main():
    global ARGS
    ap = argparse.ArgumentParser()
    ap.add_argument("--trawl", required=True)
    ARGS = ap.parse_args()
    ARGS.trawl = os.path.abspath(ARGS.trawl)
    with tempfile.TemporaryDirectory() as workdir:
        server = run_cases.FakeServer(workdir)
        server.start()
        try:
            checks = [lambda: single_query(server), lambda: batch(server, True),
                      lambda: batch(server, False), lambda: batch_typed(server)]
            for run in checks:
                run()
        finally:
            server.stop()
    total = len(checks)
    failed = len({f.split(":")[0] for f in FAILURES})
    print("%d passed, %d failed" % (total - failed, failed))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())

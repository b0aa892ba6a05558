#!/usr/bin/env python3
"""The answer store as users meet it: its file's modes, two processes
storing at once, a process killed mid-answer and mid-commit, the size
bound, a store locked past the wait, and (as root, in a private mount
namespace) a full and a read-only disk. trawl runs against the fake
server; the store is read back with SQLite itself.

Usage: store_test.py --trawl PATH
Ends with "N passed, N failed"; exit status 1 when a check failed.
"""

import argparse
import json
import os
import random
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_cases  # noqa: E402  (the fake server's driver)

FAILURES = []


def check(what, condition, detail=""):
    if not condition:
        FAILURES.append(what)
        print("FAIL: %s %s" % (what, detail))


def records(name, count, width=40):
    return [{"rrname": name + ".", "rrtype": "TXT", "rdata": ["%s %d %s" % (name, i, "x" * width)]}
            for i in range(count)]


class Run:
    def __init__(self, server, home):
        self.server, self.home = server, home
        self.store = os.path.join(home, ".cache", "trawl", "answers.sqlite")

    def env(self, **extra):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.home,
               "LC_ALL": "C", "TROVE_API_KEY": "k", "TROVE_SERVER": self.server.url()}
        env.update(extra)
        return env

    def script(self, entries):
        self.server.control("POST", "/_control/reset")
        self.server.control("POST", "/_control/script", json.dumps(entries).encode())

    def start(self, args, stdin=None, **extra):
        return subprocess.Popen([ARGS.trawl, "-u", "trove1", "--cache"] + args,
                                env=self.env(**extra), stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def run(self, args, stdin="", **extra):
        proc = self.start(args, **extra)
        out, err = proc.communicate(stdin, timeout=60)
        return proc.returncode, out, err

    def answers(self, path=None):
        db = sqlite3.connect(path or self.store)
        try:
            ok = db.execute("PRAGMA integrity_check").fetchone()[0]
            count = db.execute("SELECT count(*) FROM answer").fetchone()[0]
            orphans = db.execute("SELECT count(*) FROM chunk WHERE answer NOT IN "
                                 "(SELECT id FROM answer)").fetchone()[0]
            return ok, count, orphans
        except sqlite3.OperationalError as e:
            return str(e), 0, 0
        finally:
            db.close()


def modes_and_concurrency(r):
    """Two processes store twenty answers each at once: all forty are there,
    whole; the folder and the file are the user's alone."""
    r.script([{"path": "n%d[.]" % i, "delay_ms": 20, "lines": records("n%d.example" % i, 30)}
              for i in range(40)])
    lines = ["rrset/name/n%d.example" % i for i in range(40)]
    first = r.start(["-f", "-m", "-p", "minimal"])
    second = r.start(["-f", "-m", "-p", "minimal"])
    out1, err1 = first.communicate("\n".join(lines[:20]) + "\n", timeout=60)
    out2, err2 = second.communicate("\n".join(lines[20:]) + "\n", timeout=60)
    check("concurrent: both succeed quietly",
          first.returncode == 0 and second.returncode == 0 and not err1 and not err2, err1 + err2)
    check("concurrent: every answer shown", out1.count("\n") == 600 and out2.count("\n") == 600)
    ok, count, orphans = r.answers()
    check("concurrent: forty whole answers", (ok, count, orphans) == ("ok", 40, 0),
          (ok, count, orphans))
    folder = os.path.dirname(r.store)
    check("modes: folder 0700, file 0600",
          os.stat(folder).st_mode & 0o777 == 0o700 and os.stat(r.store).st_mode & 0o777 == 0o600)


def set_up_meanwhile(r):
    """A store that another process is setting up (its first write open, as
    a trawl that found it missing holds while making it): the process
    that meets it waits its turn instead of going on without a store."""
    r.script([{"path": "meanwhile", "lines": records("meanwhile.example", 5)}])
    store = os.path.join(r.home, "meanwhile.sqlite")
    maker = sqlite3.connect(store, isolation_level=None)
    maker.execute("BEGIN IMMEDIATE")
    maker.execute("CREATE TABLE first (x)")
    proc = r.start(["-r", "meanwhile.example", "-p", "minimal"], TRAWL_CACHE_FILE=store)
    time.sleep(0.3)
    maker.execute("COMMIT")
    maker.close()
    out, err = proc.communicate("", timeout=60)
    check("set up meanwhile: answered quietly",
          proc.returncode == 0 and out.count("\n") == 5 and not err, err)
    kept = r.answers(store)
    check("set up meanwhile: kept", kept == ("ok", 1, 0), kept)


def killed(r):
    """A process killed while the answer streams, or while it is written,
    leaves the store whole and the answer there entire or not at all."""
    r.script([{"path": "slow", "deliveries": [
        {"lines": records("slow.example", 5)},
        {"lines": records("slow.example", 5), "delay_ms": 3000}]}])
    proc = r.start(["-r", "slow.example", "-p", "minimal"])
    time.sleep(1)
    proc.send_signal(signal.SIGKILL)
    proc.wait()
    status, _, err = r.run(["--offline", "-r", "slow.example"])
    check("killed mid-answer: nothing stored", status == 1 and "not in the cache" in err, err)
    check("killed mid-answer: store whole", r.answers()[::2] == ("ok", 0))
    # A big answer takes a while to write: kill it at moments around its end.
    big = records("big.example", 60000, 200)
    name = "big.example"
    r.script([{"path": "big", "lines": big}])
    began = time.monotonic()
    r.run(["--refresh", "-r", name, "-p", "minimal"])
    whole = time.monotonic() - began
    seen = set()
    for trial in range(6):
        r.script([{"path": "big", "lines": big}])
        proc = r.start(["--refresh", "-r", name, "-p", "minimal"])
        # Most of a run is the transfer; its last part the commit.
        time.sleep(whole * (0.8 + 0.05 * trial))
        proc.send_signal(signal.SIGKILL)
        proc.communicate()
        ok, count, orphans = r.answers()
        check("killed mid-commit %d: store whole" % trial, ok == "ok" and orphans == 0,
              (ok, orphans))
        status, out, _ = r.run(["--offline", "-r", name, "-p", "minimal"])
        seen.add(status)
        check("killed mid-commit %d: the answer whole or absent" % trial,
              (status == 0 and out.count("\n") == 60000) or status == 1, status)
    print("  (kills left the big answer %s)" % " and ".join(
        {0: "stored", 1: "absent"}[s] for s in sorted(seen)))


def size_bound(r):
    """With room for two answers, the one used least recently goes first."""
    r.script([{"path": n, "repeat": True, "lines": records(n + ".example", 3)}
              for n in ("a", "b", "c")])
    bound = {"TRAWL_CACHE_MAX": "700"}
    for name in ("a", "b", "a", "c"):
        r.run(["-r", name + ".example"], **bound)
    found = {name: r.run(["--offline", "-r", name + ".example"])[0] == 0 for name in "abc"}
    check("size bound: b, used least recently, went", found == {"a": True, "b": False, "c": True},
          found)


def locked(r):
    """Another process holding the store's write lock past the wait: one
    warning naming the file, the query answered, nothing half stored."""
    r.script([{"path": "held", "lines": records("held.example", 20)}])
    holder = sqlite3.connect(r.store, isolation_level=None)
    try:
        holder.execute("BEGIN IMMEDIATE")
        status, out, err = r.run(["-r", "held.example", "-p", "minimal"])
    finally:
        holder.execute("ROLLBACK")
        holder.close()
    check("locked: answered", status == 0 and out.count("\n") == 20, (status, err))
    check("locked: one warning naming the file",
          err.count("warning: answer store") == 1 and r.store in err and "locked" in err, err)
    print("  (locked: %s)" % err.strip().split("warning: ", 1)[-1])
    status, _, _ = r.run(["--offline", "-r", "held.example"])
    check("locked: not stored", status == 1 and r.answers()[::2] == ("ok", 0), status)


def full_and_read_only(r, disk):
    """A full disk and a read-only one: one warning each, the query answered."""
    store = os.path.join(disk, "answers.sqlite")
    r.script([{"path": "wide", "repeat": True, "lines": records("wide.example", 4000, 100)}])
    status, out, err = r.run(["-r", "wide.example", "-p", "minimal"], TRAWL_CACHE_FILE=store)
    check("full disk: answered", status == 0 and out.count("\n") == 4000, status)
    check("full disk: one warning", err.count("warning: answer store") == 1
          and "full" in err, err)
    subprocess.run(["mount", "-o", "remount,ro", disk], check=True)
    status, out, err = r.run(["-r", "wide.example", "-p", "minimal"],
                             TRAWL_CACHE_FILE=os.path.join(disk, "other.sqlite"))
    check("read-only disk: answered", status == 0 and out.count("\n") == 4000, status)
    check("read-only disk: one warning", err.count("warning: answer store") == 1, err)
    print("  (read-only disk: %s)" % err.strip().split("warning: ", 1)[-1])


def main():
    global ARGS
    ap = argparse.ArgumentParser()
    ap.add_argument("--trawl", required=True)
    ap.add_argument("--disk", help=argparse.SUPPRESS)  # inside the mount namespace
    ARGS = ap.parse_args()
    ARGS.trawl = os.path.abspath(ARGS.trawl)
    with tempfile.TemporaryDirectory() as workdir:
        server = run_cases.FakeServer(workdir)
        server.start()
        try:
            r = Run(server, workdir)
            if ARGS.disk:
                full_and_read_only(r, ARGS.disk)
            else:
                modes_and_concurrency(r)
                set_up_meanwhile(r)
                killed(r)
                size_bound(r)
                locked(r)
        finally:
            server.stop()
    if not ARGS.disk and os.geteuid() == 0:
        # A small disk of its own, in a mount namespace, so that the host's
        # file systems are never touched.
        with tempfile.TemporaryDirectory() as disk:
            done = subprocess.run(
                ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                 'mount -t tmpfs -o size=200k trawl-store "$1" && exec "$2" "$3" --trawl "$4" '
                 '--disk "$1"', "sh", disk, sys.executable, os.path.abspath(__file__),
                 ARGS.trawl], timeout=120)
            if done.returncode != 0:
                FAILURES.append("disk checks")
    elif not ARGS.disk:
        print("skipped: full and read-only disks (needs root)")
    if ARGS.disk:
        return 1 if FAILURES else 0
    print("%d failed" % len(FAILURES) if FAILURES else "all passed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())

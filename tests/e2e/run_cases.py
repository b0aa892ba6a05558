#!/usr/bin/env python3
"""Runs trawl's end-to-end case files against the fake passive-DNS server.

Usage: run_cases.py --trawl PATH [-k SUBSTRING] [-v] [--keep] FILE.case...

Each case file gets one fake server (and a TLS one when a case names
{TLS_SERVER}); the server is reset before every case. A case that requires
tinyproxy gets its own proxy on loopback, {PROXY}, stopped after the run. The case format is
described in README.md beside this file. Exit status: 0 when every selected
case passed or was skipped, 1 when one failed, 2 for a malformed case file.
"""

import argparse
import base64
import difflib
import http.client
import json
import os
import re
import shlex
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TESTDIR = os.path.dirname(HERE)
SERVER_SCRIPT = os.path.join(TESTDIR, "fake_server", "pdns_server.py")
TINYPROXY = "/usr/bin/tinyproxy"

CASE_RE = re.compile(r"^=== (case|defaults)(?:\s+(.*?))?\s*$")
SECTION_RE = re.compile(r"^--- (\S+)(.*)$")
PLACEHOLDER_RE = re.compile(r"\{([A-Z_]+)\}")
TOKEN_RE = re.compile(r"(\{TS\}|\{ANY\})")
TOKEN_PATTERNS = {"{TS}": r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}", "{ANY}": r".*"}
REQUEST_LINE_RE = re.compile(r"^([A-Z]+) (\S+)$")

SECTIONS = {"args", "env", "stdin", "file", "script", "reply", "stdout", "stderr",
            "stdout-contains", "stderr-contains", "stdout-lacks", "stderr-lacks",
            "stdout-lines", "stderr-lines", "status", "requests", "requires",
            "timeout", "program", "dns", "stdout-to", "dialogue", "proxy-log-contains",
            "proxy-log-lacks", "dns-questions", "before", "runs"}
REPEATABLE = {"file", "script", "reply"}
ACCUMULATING = {"env", "file", "requires", "script", "reply"}
DEFAULT_TIMEOUT = 20.0


class CaseError(Exception):
    pass


class Section:
    def __init__(self, name, words, lineno):
        self.name, self.words, self.lineno, self.lines = name, words, lineno, []

    def flag(self, word):
        return word in self.words

    def option(self, key, default=None):
        for w in self.words:
            if w.startswith(key + "="):
                return w[len(key) + 1:]
        return default

    def text(self):
        """The body as exact text: trailing blank lines dropped unless the
        section says 'verbatim', the final newline dropped under 'nonl'."""
        lines = list(self.lines)
        if not self.flag("verbatim"):
            while lines and lines[-1] == "":
                lines.pop()
        if not lines:
            return ""
        out = "\n".join(lines) + "\n"
        return out[:-1] if self.flag("nonl") else out

    def words_in_body(self):
        return self.words + " ".join(self.lines).split()

    def to_json(self):
        return [self.name, self.words, self.lineno, self.lines]

    @staticmethod
    def from_json(data):
        s = Section(data[0], data[1], data[2])
        s.lines = data[3]
        return s


class Case:
    def __init__(self, name, filename, lineno):
        self.name, self.filename, self.lineno = name, filename, lineno
        self.sections = []
        self.defaults = None

    def where(self):
        return "%s:%d" % (os.path.basename(self.filename), self.lineno)

    def all(self, name):
        return [s for s in self.sections if s.name == name]

    def get(self, name):
        found = self.all(name)
        return found[0] if found else None

    def to_json(self):
        return {"name": self.name, "filename": self.filename, "lineno": self.lineno,
                "sections": [s.to_json() for s in self.sections]}

    @staticmethod
    def from_json(data):
        c = Case(data["name"], data["filename"], data["lineno"])
        c.sections = [Section.from_json(s) for s in data["sections"]]
        return c


def unescape_marker(line):
    # "\---" and "\===" let a text section hold lines that look like markers.
    if line.startswith("\\---") or line.startswith("\\==="):
        return line[1:]
    return line


def merge_defaults(case, defaults):
    if defaults is None:
        return
    own = {s.name for s in case.sections}
    inherited = [s for s in defaults.sections if s.name in ACCUMULATING or s.name not in own]
    case.sections = inherited + case.sections


def parse_cases(text, filename):
    cases, defaults, current, section = [], None, None, None
    for lineno, line in enumerate(text.split("\n"), 1):
        m = CASE_RE.match(line)
        if m:
            if m[1] == "case":
                if not m[2]:
                    raise CaseError("%s:%d: case without a name" % (filename, lineno))
                current = Case(m[2], filename, lineno)
                current.defaults = defaults
                cases.append(current)
            else:
                current = defaults = Case("defaults", filename, lineno)
            section = None
            continue
        m = SECTION_RE.match(line)
        if m and current is not None:
            name = m[1]
            if name not in SECTIONS:
                raise CaseError("%s:%d: unknown section '%s'" % (filename, lineno, name))
            if name not in REPEATABLE and current.get(name):
                raise CaseError("%s:%d: section '%s' given twice" % (filename, lineno, name))
            try:
                words = shlex.split(m[2])
            except ValueError as err:
                raise CaseError("%s:%d: %s" % (filename, lineno, err))
            if name == "file" and not words:
                raise CaseError("%s:%d: file section needs a path" % (filename, lineno))
            section = Section(name, words, lineno)
            current.sections.append(section)
            continue
        if section is not None:
            section.lines.append(unescape_marker(line))
        # Text between a case header and its first section is commentary.
    if text.endswith("\n") and section is not None and section.lines:
        section.lines.pop()  # the split left an empty item after the last newline
    for case in cases:
        merge_defaults(case, case.defaults)
    return cases


def parse_case_file(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    return parse_cases(text, path), text


def subst(text, ph):
    return PLACEHOLDER_RE.sub(lambda m: ph.get(m[1], m[0]), text)


def split_lines(text):
    return re.findall(r"[^\n]*\n|[^\n]+$", text)


def line_matches(expected, actual):
    if expected == actual:
        return True
    if not TOKEN_RE.search(expected):
        return False
    if expected.endswith("\n") != actual.endswith("\n"):
        return False
    return token_regex(expected.rstrip("\n")).fullmatch(actual.rstrip("\n")) is not None


def token_regex(text):
    parts = TOKEN_RE.split(text)
    return re.compile("".join(TOKEN_PATTERNS.get(p, re.escape(p)) for p in parts))


def show(line):
    return line[:-1] if line.endswith("\n") else line + "  [no newline at end]"


def compare_text(what, expected, actual):
    """Returns None when equal, else a diff with pattern lines shown as matched."""
    exp, act = split_lines(expected), split_lines(actual)
    if len(exp) == len(act) and all(line_matches(e, a) for e, a in zip(exp, act)):
        return None
    display = [act[i] if i < len(act) and line_matches(e, act[i]) else e
               for i, e in enumerate(exp)]
    diff = difflib.unified_diff([show(x) for x in display], [show(x) for x in act],
                                "expected " + what, "actual " + what, lineterm="", n=2)
    return "\n".join(excerpt(list(diff), 200))


def check_contains(what, wanted, actual):
    lines = [show(x) for x in split_lines(actual)]
    missing = [w for w in wanted.split("\n") if w and
               not any(token_regex(w).search(line) for line in lines)]
    if not missing:
        return None
    out = ["%s lacks:" % what] + ["  " + m for m in missing] + ["%s was:" % what]
    return "\n".join(out + ["  " + line for line in excerpt(lines)])


def excerpt(lines, most=40):
    """A long output shown by its head and tail, each line cut to 2000 characters."""
    if len(lines) > most:
        lines = lines[:most // 2] + ["... (%d lines)" % (len(lines) - most)] + lines[-(most // 2):]
    return [x if len(x) <= 2000 else x[:2000] + "... (%d characters)" % len(x) for x in lines]


def check_line_count(what, section, actual):
    words = section.words_in_body()
    if len(words) != 1 or not words[0].isdigit():
        raise CaseError("%s-lines at line %d wants one number" % (what, section.lineno))
    lines = split_lines(actual)
    if len(lines) == int(words[0]):
        return None
    out = ["%s has %d lines, expected %s:" % (what, len(lines), words[0])]
    return "\n".join(out + ["  " + x for x in excerpt([show(x) for x in lines], 10)])


def check_lacks(what, unwanted, actual):
    lines = [show(x) for x in split_lines(actual)]
    present = [u for u in unwanted.split("\n") if u and
               any(token_regex(u).search(line) for line in lines)]
    if not present:
        return None
    return "\n".join(["%s must not hold:" % what] + ["  " + p for p in present])


def parse_expected_requests(text):
    requests = []
    for line in text.split("\n"):
        if not line.strip():
            continue
        m = REQUEST_LINE_RE.match(line)
        if m:
            requests.append({"line": line, "checks": []})
        elif not requests:
            raise CaseError("requests: header check before any request line: " + line)
        elif line.startswith("!"):
            requests[-1]["checks"].append((line[1:].strip(), None))
        elif ":" in line:
            name, _, value = line.partition(":")
            requests[-1]["checks"].append((name.strip(), value.strip()))
        else:
            raise CaseError("requests: cannot read line: " + line)
    return requests


def header_values(request, name):
    return [v for k, v in request["headers"] if k.lower() == name.lower()]


def value_matches(expected, value):
    return token_regex(expected).fullmatch(value) is not None


def render_actual(request, checks):
    """One line per request line and per check, so that it pairs with render_expected."""
    out = ["%s %s" % (request["method"], request["target"])]
    for name, wanted in checks:
        values = header_values(request, name)
        if not values:
            out.append("!" + name)
            continue
        shown = next((v for v in values if wanted is not None and value_matches(wanted, v)),
                     values[0])
        out.append("%s: %s" % (name, shown))
    return out


def render_expected(exp):
    return [exp["line"]] + ["!" + n if v is None else "%s: %s" % (n, v) for n, v in exp["checks"]]


def request_matches(exp, req):
    want = render_expected(exp)
    return all(line_matches(w, a) for w, a in zip(want, render_actual(req, exp["checks"])))


def compare_requests(expected, actual, unordered):
    if unordered:
        pool, order = list(actual), []
        for exp in expected:
            hit = next((r for r in pool if request_matches(exp, r)), None)
            if hit is not None:
                pool.remove(hit)
                order.append(hit)
        actual = order + pool
    if len(expected) == len(actual) and all(
            request_matches(e, a) for e, a in zip(expected, actual)):
        return None
    exp_lines, act_lines = [], []
    for i, exp in enumerate(expected):
        want = render_expected(exp)
        if i < len(actual):
            got = render_actual(actual[i], exp["checks"])
            want = [g if line_matches(w, g) else w for w, g in zip(want, got)]
            act_lines += got
        exp_lines += want
    for req in actual[len(expected):]:
        act_lines += render_actual(req, [])
    diff = difflib.unified_diff(exp_lines, act_lines, "expected requests", "actual requests",
                                lineterm="", n=3)
    return "\n".join(diff)


_requirement_cache = {}


def requirement_missing(word):
    """None when the prerequisite holds, else the reason to skip."""
    if word in _requirement_cache:
        return _requirement_cache[word]
    reason = None
    if word == "root":
        reason = None if os.geteuid() == 0 else "not running as root"
    elif word == "netns":
        if os.geteuid() != 0 or not shutil.which("unshare") or not shutil.which("ip"):
            reason = "network namespaces need root, unshare and ip"
        else:
            probe = subprocess.run(["unshare", "--mount", "--net", "--pid", "--fork", "true"],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   timeout=10)
            reason = None if probe.returncode == 0 else "unshare --net fails here"
    elif word in ("dnsmasq", "openssl"):
        reason = None if shutil.which(word) else word + " is not installed"
    elif word == "tinyproxy":
        reason = None if os.access(TINYPROXY, os.X_OK) else "tinyproxy is not installed"
    else:
        raise CaseError("unknown requirement '%s'" % word)
    _requirement_cache[word] = reason
    return reason


class FakeServer:
    def __init__(self, workdir, tls=None, verbose=False):
        self.workdir, self.tls, self.verbose = workdir, tls, verbose
        self.proc, self.port = None, None

    def start(self):
        port_file = os.path.join(self.workdir, "port-%s" % ("tls" if self.tls else "plain"))
        if os.path.exists(port_file):
            os.unlink(port_file)
        cmd = [sys.executable, SERVER_SCRIPT, "--port-file", port_file, "--exit-on-eof"]
        if self.tls:
            cmd += ["--tls", self.tls[0], self.tls[1]]
        if self.verbose:
            cmd.append("--verbose")
        self.proc = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
        deadline = time.time() + 15
        while time.time() < deadline:
            if os.path.exists(port_file):
                with open(port_file) as f:
                    self.port = int(f.read())
                return
            if self.proc.poll() is not None:
                break
            time.sleep(0.05)
        self.stop()
        raise RuntimeError("fake server did not start")

    def ensure_running(self):
        if self.proc is None or self.proc.poll() is not None:
            self.start()

    def url(self):
        return "%s://127.0.0.1:%d" % ("https" if self.tls else "http", self.port)

    def control(self, method, path, body=None):
        if self.tls:
            ctx = ssl._create_unverified_context()
            conn = http.client.HTTPSConnection("127.0.0.1", self.port, timeout=10, context=ctx)
        else:
            conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            conn.request(method, path, body=body)
            resp = conn.getresponse()
            data = resp.read()
            if resp.status != 200:
                raise RuntimeError("server control %s: %d %s" % (path, resp.status, data))
            return json.loads(data)
        finally:
            conn.close()

    def stop(self):
        if self.proc is None:
            return
        try:
            self.proc.stdin.close()
            self.proc.wait(timeout=3)
        except (subprocess.TimeoutExpired, OSError):
            self.proc.kill()
            self.proc.wait(timeout=5)
        self.proc = None


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as sock:
        sock.bind(("127.0.0.1", 0))
        return sock.getsockname()[1]


class Proxy:
    """A tinyproxy in the foreground on a free loopback port, for one case;
    its log goes to a file in the case's temp dir."""

    def __init__(self, tmp):
        self.tmp, self.proc, self.port = tmp, None, None
        self.log = os.path.join(tmp, ".tinyproxy.log")

    def start(self):
        # The port is picked before tinyproxy binds it: should another
        # program take it in between, tinyproxy exits and another is tried.
        for _ in range(3):
            self.port = free_port()
            conf = os.path.join(self.tmp, ".tinyproxy.conf")
            with open(conf, "w") as f:
                f.write("Port %d\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 30\n"
                        "MaxClients 20\nLogLevel Info\nLogFile \"%s\"\n" % (self.port, self.log))
            with open(os.path.join(self.tmp, ".tinyproxy.err"), "wb") as err:
                self.proc = subprocess.Popen([TINYPROXY, "-d", "-c", conf],
                                             stdin=subprocess.DEVNULL, stdout=err, stderr=err)
            deadline = time.time() + 10
            while time.time() < deadline and self.proc.poll() is None:
                try:
                    socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                    return
                except OSError:
                    time.sleep(0.05)
            self.stop()
        raise RuntimeError("tinyproxy did not start")

    def url(self):
        return "http://127.0.0.1:%d" % self.port

    def stop(self):
        """Stops this proxy by its PID and returns its log."""
        if self.proc is not None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=5)
            self.proc = None
        try:
            with open(self.log, encoding="utf-8", errors="surrogateescape") as f:
                return f.read()
        except OSError:
            return ""


def make_certificate(directory):
    key, cert = os.path.join(directory, "key.pem"), os.path.join(directory, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "3650", "-subj", "/CN=localhost", "-addext",
                    "subjectAltName=DNS:localhost,IP:127.0.0.1"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
    return cert, key


def make_hashed_directory(directory, cert):
    """A directory of certificate authorities as --capath wants it: the
    certificate under a name of its own, and the hash link openssl makes."""
    capath = os.path.join(directory, "capath")
    os.mkdir(capath)
    shutil.copy(cert, os.path.join(capath, "trawl-test-ca.pem"))
    subprocess.run(["openssl", "rehash", capath], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=30)
    return capath


class Runtime:
    """What the cases of one file share: the program, its version, the servers."""

    def __init__(self, trawl, version, need_tls, verbose=False):
        self.trawl, self.version, self.need_tls = trawl, version, need_tls
        self.verbose = verbose
        self.workdir = tempfile.mkdtemp(prefix="trawl-e2e-srv-")
        self.plain = self.tls = None
        self.cert = None
        self.capath = None

    def start(self):
        self.plain = FakeServer(self.workdir, verbose=self.verbose)
        self.plain.start()
        if self.need_tls:
            self.cert = make_certificate(self.workdir)
            self.capath = make_hashed_directory(self.workdir, self.cert[0])
            self.tls = FakeServer(self.workdir, tls=self.cert, verbose=self.verbose)
            self.tls.start()

    def servers(self):
        return [s for s in (self.plain, self.tls) if s is not None]

    def stop(self):
        for s in self.servers():
            s.stop()
        shutil.rmtree(self.workdir, ignore_errors=True)

    def placeholders(self, tmp, prog):
        ph = {"HOME": tmp, "TMP": tmp, "VERSION": self.version, "PROG": prog,
              "TESTDIR": TESTDIR, "TAB": "\t", "CR": "\r", "NUL": "\0",
              "SERVER": self.plain.url(), "PORT": str(self.plain.port)}
        if self.tls:
            ph.update(TLS_SERVER=self.tls.url(), TLS_PORT=str(self.tls.port),
                      TLS_CERT=self.cert[0], TLS_CAPATH=self.capath)
        return ph


def build_script(case, ph):
    script = []
    for s in case.sections:
        if s.name == "script":
            try:
                entries = json.loads(subst("\n".join(s.lines), ph) or "[]")
            except ValueError as err:
                raise CaseError("script at line %d: %s" % (s.lineno, err))
            if not isinstance(entries, list):
                raise CaseError("script at line %d: not a JSON list" % s.lineno)
            script += entries
        elif s.name == "reply":
            body = subst(s.text(), ph)
            entry = {"status": int(s.option("status", "200"))}
            if s.flag("lines"):
                entry["deliveries"] = [{"data": x} for x in split_lines(body)]
            else:
                entry["body"] = body
            if s.flag("close"):
                entry["close"] = True
            if s.flag("reset"):
                entry["close"] = "reset"
            if s.flag("length"):
                entry["length"] = True
            if s.flag("repeat"):
                entry["repeat"] = True
            if s.flag("gzip"):
                entry["gzip"] = True
            if s.option("path") is not None:
                entry["path"] = s.option("path")
            if s.option("delay") is not None:
                entry["delay_ms"] = int(s.option("delay"))
            headers = [w[len("header="):].partition(":") for w in s.words
                       if w.startswith("header=")]
            if headers:
                entry["headers"] = [[n.strip(), v.strip()] for n, _, v in headers]
            script.append(entry)
    return script


# KEY=VALUE settings of --env, given to every case before its own env lines.
EXTRA_ENV = []


def build_env(case, ph):
    env = {"PATH": os.environ.get("PATH", "/usr/local/bin:/usr/bin:/bin"),
           "HOME": ph["HOME"], "LC_ALL": "C"}
    # A sanitizer build must report through the exit status it was given.
    for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if name in os.environ:
            env[name] = os.environ[name]
    for setting in EXTRA_ENV:
        key, _, value = setting.partition("=")
        env[key] = value
    for s in case.all("env"):
        for line in s.lines:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            if line.startswith("-"):
                env.pop(line[1:], None)
            elif "=" in line:
                key, _, value = line.partition("=")
                env[key] = subst(value, ph)
            else:
                raise CaseError("env line %r is neither KEY=VALUE nor -KEY" % line)
    return env


def execute(case, rt, tmp, default_timeout):
    """Runs one case; returns a JSON-able result for check()."""
    program = case.get("program")
    argv0 = program.words_in_body()[0] if program else rt.trawl
    for server in rt.servers():
        server.ensure_running()
    ph = rt.placeholders(tmp, os.path.basename(argv0))
    proxy = None
    if any("tinyproxy" in s.words_in_body() for s in case.all("requires")):
        proxy = Proxy(tmp)
        proxy.start()
        ph.update(PROXY=proxy.url(), PROXY_PORT=str(proxy.port))
    proxy_log = None
    try:
        result = run_trawl(case, rt, tmp, default_timeout, argv0, ph)
    finally:
        if proxy is not None:
            proxy_log = proxy.stop()
    result["proxy_log"] = proxy_log
    return result


def run_trawl(case, rt, tmp, default_timeout, argv0, ph):
    script = json.dumps(build_script(case, ph)).encode()
    for server in rt.servers():
        server.control("POST", "/_control/reset")
        server.control("POST", "/_control/script", script)
    for s in case.all("file"):
        path = os.path.join(tmp, subst(s.words[0], ph))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(subst(s.text(), ph).encode("utf-8", "surrogateescape"))
        if s.option("mode"):
            os.chmod(path, int(s.option("mode"), 8))
    env = build_env(case, ph)
    args_section = case.get("args")
    try:
        args = shlex.split("\n".join(args_section.lines)) if args_section else []
    except ValueError as err:
        raise CaseError("args: %s" % err)
    if args_section:
        args = args_section.words + args
    args = [subst(a, ph) for a in args]
    stdin = case.get("stdin")
    stdin_data = subst(stdin.text(), ph).encode("utf-8", "surrogateescape") if stdin else None
    timeout_section = case.get("timeout")
    limit = float(timeout_section.words_in_body()[0]) if timeout_section else default_timeout
    result = {"ph": ph, "timed_out": False, "error": None}
    # Runs before the one checked, to set the scene (an answer store filled,
    # say): their output is not looked at.
    for line in (case.get("before").lines if case.get("before") else []):
        try:
            before = [subst(a, ph) for a in shlex.split(line)]
        except ValueError as err:
            raise CaseError("before: %s" % err)
        # Leading NAME=VALUE words set that run's environment, as in a shell.
        run_env = dict(env)
        while before and re.match(r"^[A-Z_][A-Z0-9_]*=", before[0]):
            name, _, value = before.pop(0).partition("=")
            run_env[name] = value
        if before:
            subprocess.run([argv0] + before, executable=rt.trawl, env=run_env, cwd=tmp,
                           input=stdin_data, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=limit)
    runs = int(case.get("runs").words_in_body()[0]) if case.get("runs") else 1
    for _ in range(runs - 1):
        earlier = subprocess.run([argv0] + args, executable=rt.trawl, env=env, cwd=tmp,
                                 input=stdin_data, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, timeout=limit)
        result.setdefault("earlier", []).append(
            {"stdout": base64.b64encode(earlier.stdout).decode(),
             "stderr": base64.b64encode(earlier.stderr).decode(), "status": earlier.returncode})
    stdout_to = case.get("stdout-to")
    out_target = subprocess.PIPE
    if stdout_to:
        out_target = open(subst(stdout_to.words_in_body()[0], ph), "wb")
    try:
        proc = subprocess.Popen([argv0] + args, executable=rt.trawl, env=env, cwd=tmp,
                                stdin=subprocess.PIPE if stdin or case.get("dialogue")
                                else subprocess.DEVNULL,
                                stdout=out_target, stderr=subprocess.PIPE,
                                start_new_session=True)
    except OSError as err:
        result.update(stdout="", stderr="", status=None, requests=[],
                      error="cannot run %s: %s" % (rt.trawl, err))
        return result
    dialogue = case.get("dialogue")
    try:
        if dialogue:
            out, err = converse(proc, dialogue, ph, limit, result)
        else:
            out, err = proc.communicate(stdin_data, timeout=limit)
    except subprocess.TimeoutExpired:
        result["timed_out"] = True
        # The whole session goes: trawl and any sort child it started.
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        try:
            out, err = proc.communicate(timeout=5)
        except subprocess.TimeoutExpired:
            out, err = b"", b""
    if stdout_to:
        out_target.close()
    out = out or b""
    requests = []
    for server in rt.servers():
        requests += server.control("GET", "/_control/requests")
    requests.sort(key=lambda r: r["t"])
    result.update(stdout=base64.b64encode(out).decode(), stderr=base64.b64encode(err).decode(),
                  status=proc.returncode, requests=requests)
    return result


def converse(proc, dialogue, ph, limit, result):
    """Drives trawl as a co-process: each '> LINE' is written to its standard
    input, which stays open, and each '< LINE' must then arrive on its
    standard output within a few seconds, before anything more is written.
    Returns everything trawl wrote once its input is closed."""
    import select
    import threading
    err_chunks = []
    reader = threading.Thread(target=lambda: err_chunks.append(proc.stderr.read()), daemon=True)
    reader.start()
    out, pending = b"", b""
    fd = proc.stdout.fileno()
    for raw in dialogue.lines:
        line = subst(raw, ph)
        if line.startswith("> "):
            proc.stdin.write(line[2:].encode("utf-8", "surrogateescape") + b"\n")
            proc.stdin.flush()
            continue
        if not line.startswith("< "):
            raise CaseError("dialogue lines begin with '> ' or '< ': %r" % line)
        want = line[2:]
        deadline = time.time() + 5
        while b"\n" not in pending:
            left = deadline - time.time()
            ready = select.select([fd], [], [], max(left, 0))[0] if left > 0 else []
            if not ready:
                result["dialogue_error"] = ("dialogue: waited 5 s for %r with the input open; "
                                            "got %r" % (want, pending.decode(errors="replace")))
                os.killpg(proc.pid, signal.SIGKILL)
                rest, _ = proc.communicate(timeout=5)
                reader.join(5)
                return out + pending + (rest or b""), b"".join(x for x in err_chunks if x)
            chunk = os.read(fd, 65536)
            if not chunk:
                break
            pending += chunk
        got, _, pending = pending.partition(b"\n")
        out += got + b"\n"
        if not token_regex(want).fullmatch(got.decode("utf-8", "surrogateescape")):
            result.setdefault("dialogue_error", "dialogue: expected %r, got %r"
                              % (want, got.decode(errors="replace")))
    proc.stdin.close()
    rest = proc.stdout.read()
    proc.wait(timeout=limit)
    reader.join(limit)
    return out + pending + rest, b"".join(x for x in err_chunks if x)


def decode(data):
    return base64.b64decode(data).decode("utf-8", "surrogateescape")


def check_dns_questions(section, log):
    """Each line NAME COUNT: dnsmasq saw exactly COUNT TXT questions for NAME."""
    asked = {}
    for line in log.splitlines():
        m = re.search(r"query\[TXT\] (\S+) from ", line)
        if m:
            asked[m[1]] = asked.get(m[1], 0) + 1
    wrong = []
    for line in section.lines:
        words = line.split()
        if not words:
            continue
        if len(words) != 2 or not words[1].isdigit():
            raise CaseError("dns-questions at line %d: NAME COUNT expected" % section.lineno)
        if asked.get(words[0], 0) != int(words[1]):
            wrong.append("  %s: expected %s, asked %d" % (words[0], words[1], asked.get(words[0], 0)))
    return "DNS questions:\n" + "\n".join(wrong) if wrong else None


def check(case, result):
    """Returns a list of failure reports; empty when the case passed. With
    'runs N', every run is held to the same expectations."""
    failures = []
    for number, earlier in enumerate(result.get("earlier", []), 1):
        run = dict(result, stdout=earlier["stdout"], stderr=earlier["stderr"],
                   status=earlier["status"], timed_out=False, earlier=[])
        failures += ["run %d: %s" % (number, f) for f in check(case, run)]
    return failures + check_one(case, result)


def check_one(case, result):
    if result.get("error"):
        return [result["error"]]
    ph = result["ph"]
    failures = [result["dialogue_error"]] if result.get("dialogue_error") else []
    stdout, stderr = decode(result["stdout"]), decode(result["stderr"])
    if result["timed_out"]:
        failures.append("timed out; killed")
    status_section = case.get("status")
    want_status = int(status_section.words_in_body()[0]) if status_section else 0
    if result["status"] != want_status and not result["timed_out"]:
        failures.append("exit status: expected %d, got %s" % (want_status, result["status"]))
    stderr_shown = False
    for stream, actual in (("stdout", stdout), ("stderr", stderr)):
        exact, contains = case.get(stream), case.get(stream + "-contains")
        count = case.get(stream + "-lines")
        loose = contains is not None or count is not None or case.get(stream + "-lacks")
        if exact is not None or not loose:
            diff = compare_text(stream, subst(exact.text(), ph) if exact else "", actual)
            if diff:
                failures.append(diff)
                stderr_shown |= stream == "stderr"
        if contains is not None:
            report = check_contains(stream, subst("\n".join(contains.lines), ph), actual)
            if report:
                failures.append(report)
                stderr_shown |= stream == "stderr"
        if count is not None:
            report = check_line_count(stream, count, actual)
            if report:
                failures.append(report)
                stderr_shown |= stream == "stderr"
        lacks = case.get(stream + "-lacks")
        if lacks is not None:
            report = check_lacks(stream, subst("\n".join(lacks.lines), ph), actual)
            if report:
                failures.append(report)
                stderr_shown |= stream == "stderr"
    for name, checker in (("proxy-log-contains", check_contains),
                          ("proxy-log-lacks", check_lacks)):
        section = case.get(name)
        if section is None:
            continue
        if result.get("proxy_log") is None:
            raise CaseError("%s at line %d needs 'requires tinyproxy'" % (name, section.lineno))
        report = checker("proxy log", subst("\n".join(section.lines), ph), result["proxy_log"])
        if report:
            failures.append(report)
    wanted_questions = case.get("dns-questions")
    if wanted_questions is not None:
        report = check_dns_questions(wanted_questions, result.get("dns_log", ""))
        if report:
            failures.append(report)
    req = case.get("requests")
    if req is not None:
        expected = parse_expected_requests(subst("\n".join(req.lines), ph))
        diff = compare_requests(expected, result["requests"], req.flag("unordered"))
        if diff:
            failures.append(diff)
    if failures and not stderr_shown and stderr:
        shown = excerpt([show(x) for x in split_lines(stderr)])
        failures.append("stderr was:\n" + "\n".join("  " + x for x in shown))
    return failures


def run_in_netns(case, rt, tmp, timeout):
    """Runs the case inside a private network namespace with its own DNS
    server (dnsmasq, fed the case's 'dns' section) and its own fake server."""
    job = os.path.join(tmp, ".netns-job.json")
    out = os.path.join(tmp, ".netns-result.json")
    with open(job, "w") as f:
        json.dump({"case": case.to_json(), "trawl": rt.trawl, "version": rt.version,
                   "tls": rt.need_tls, "verbose": rt.verbose, "timeout": timeout, "tmp": tmp,
                   "extra_env": EXTRA_ENV}, f)
    cmd = ["unshare", "--mount", "--net", "--pid", "--fork", "--mount-proc", "--kill-child", "--propagation",
           "private", sys.executable, os.path.abspath(__file__), "--netns-child", job, out]
    limit = float(case.get("timeout").words_in_body()[0]) if case.get("timeout") else timeout
    try:
        proc = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=limit + 60)
    except subprocess.TimeoutExpired:
        return {"error": "namespace helper timed out"}
    if proc.returncode != 0 or not os.path.exists(out):
        return {"error": "namespace helper failed:\n" + proc.stdout.decode(errors="replace")}
    with open(out) as f:
        return json.load(f)


def netns_child(job_path, out_path):
    with open(job_path) as f:
        job = json.load(f)
    case, tmp = Case.from_json(job["case"]), job["tmp"]
    EXTRA_ENV[:] = job.get("extra_env", [])
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True, timeout=10)
    dnsdir = os.path.join(tmp, ".dns")
    os.makedirs(dnsdir, exist_ok=True)
    resolv = os.path.join(dnsdir, "resolv.conf")
    with open(resolv, "w") as f:
        f.write("nameserver 127.0.0.1\noptions timeout:1 attempts:1\n")
    subprocess.run(["mount", "--bind", resolv, "/etc/resolv.conf"], check=True, timeout=10)
    rt = Runtime(job["trawl"], job["version"], job["tls"], job["verbose"])
    rt.start()
    conf = os.path.join(dnsdir, "dnsmasq.conf")
    query_log = os.path.join(dnsdir, "queries.log")
    with open(conf, "w") as f:
        f.write(subst(case.get("dns").text(), rt.placeholders(tmp, "trawl")))
        if case.get("dns-questions"):
            f.write("\nlog-queries\nlog-facility=%s\n" % query_log)
    dnsmasq = subprocess.Popen(
        ["dnsmasq", "--keep-in-foreground", "--conf-file=" + conf, "--no-resolv", "--no-hosts",
         "--listen-address=127.0.0.1", "--bind-interfaces", "--port=53",
         "--pid-file=" + os.path.join(dnsdir, "dnsmasq.pid"), "--user=root"],
        stdout=subprocess.DEVNULL)
    deadline = time.time() + 10
    while time.time() < deadline:
        ss = subprocess.run(["ss", "-Hlun", "sport = :53"], stdout=subprocess.PIPE, timeout=10)
        if ss.stdout.strip() or dnsmasq.poll() is not None:
            break
        time.sleep(0.05)
    if dnsmasq.poll() is not None:
        sys.exit("dnsmasq did not start")
    try:
        result = execute(case, rt, tmp, job["timeout"])
    finally:
        # Ended gently, so that its log is complete.
        dnsmasq.terminate()
        dnsmasq.wait(timeout=10)
        rt.stop()
    if case.get("dns-questions"):
        with open(query_log, errors="replace") as f:
            result["dns_log"] = f.read()
    with open(out_path, "w") as f:
        json.dump(result, f)


def project_version():
    try:
        with open(os.path.join(TESTDIR, "..", "CMakeLists.txt")) as f:
            m = re.search(r"project\(\s*trawl\s+VERSION\s+([^\s)]+)", f.read())
            return m[1] if m else None
    except OSError:
        return None


def detect_version(trawl):
    version = project_version()
    if version:
        return version
    try:
        out = subprocess.run([trawl, "-v"], stdout=subprocess.PIPE, timeout=10,
                             stdin=subprocess.DEVNULL).stdout.decode()
        m = re.search(r": version (\S+)", out)
        return m[1] if m else "?"
    except (OSError, subprocess.TimeoutExpired):
        return "?"


def run_file(path, args, totals):
    try:
        cases, text = parse_case_file(path)
    except (OSError, CaseError) as err:
        print("error: %s" % err)
        return 2
    if not cases:
        print("error: %s holds no case" % path)
        return 2
    selected = [c for c in cases if not args.k or args.k in c.name]
    version = args.version or detect_version(args.trawl)
    rt = Runtime(os.path.abspath(args.trawl), version, "{TLS_" in text, args.server_verbose)
    try:
        rt.start()
    except (OSError, RuntimeError, subprocess.SubprocessError) as err:
        print("error: cannot start the fake server: %s" % err)
        rt.stop()
        return 2
    try:
        for case in selected:
            run_case(case, rt, args, totals)
    finally:
        rt.stop()
    return 0


def run_case(case, rt, args, totals):
    label = "%s %s" % (case.where(), case.name)
    needs = [w for s in case.all("requires") for w in s.words_in_body()]
    if case.get("dns"):
        needs += ["netns", "dnsmasq"]
    try:
        reasons = [r for r in map(requirement_missing, dict.fromkeys(needs)) if r]
    except CaseError as err:
        totals["failed"] += 1
        print("FAIL %s\n    %s" % (label, err))
        return
    if reasons:
        totals["skipped"] += 1
        print("SKIP %s: %s" % (label, "; ".join(reasons)))
        return
    tmp = tempfile.mkdtemp(prefix="trawl-e2e-")
    started = time.time()
    try:
        if case.get("dns"):
            result = run_in_netns(case, rt, tmp, args.timeout)
        else:
            result = execute(case, rt, tmp, args.timeout)
        failures = check(case, result)
    except (CaseError, RuntimeError, OSError, ValueError) as err:
        failures = ["harness error: %s" % err]
    if failures:
        totals["failed"] += 1
        print("FAIL %s" % label)
        for report in failures:
            print("\n".join("    " + line for line in report.split("\n")))
        if args.keep:
            print("    (files kept in %s)" % tmp)
    else:
        totals["passed"] += 1
        if args.v:
            print("ok   %s (%.2fs)" % (label, time.time() - started))
    if not (failures and args.keep):
        shutil.rmtree(tmp, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser(description="run trawl end-to-end case files")
    ap.add_argument("--trawl", help="path of the trawl program under test")
    ap.add_argument("-k", metavar="SUBSTRING", help="run only cases whose name contains this")
    ap.add_argument("-v", action="store_true", help="report every case")
    ap.add_argument("--keep", action="store_true", help="keep the files of failed cases")
    ap.add_argument("--version", help="the version string {VERSION} stands for")
    ap.add_argument("--timeout", type=float, default=DEFAULT_TIMEOUT,
                    help="seconds before trawl is killed (default %(default)s)")
    ap.add_argument("--server-verbose", action="store_true", help="let the server log")
    ap.add_argument("--env", action="append", default=[], metavar="KEY=VALUE",
                    help="give every case this environment variable (repeatable)")
    ap.add_argument("--netns-child", nargs=2, help=argparse.SUPPRESS)
    ap.add_argument("files", nargs="*")
    args = ap.parse_args()
    for setting in args.env:
        if "=" not in setting or setting.startswith("="):
            ap.error("--env takes KEY=VALUE, not %r" % setting)
    EXTRA_ENV[:] = args.env
    if args.netns_child:
        netns_child(*args.netns_child)
        return 0
    if not args.trawl or not args.files:
        ap.error("--trawl and at least one case file are required")
    totals = {"passed": 0, "failed": 0, "skipped": 0}
    worst = 0
    for path in args.files:
        worst = max(worst, run_file(path, args, totals))
    summary = "%d passed, %d failed" % (totals["passed"], totals["failed"])
    if totals["skipped"]:
        summary += ", %d skipped" % totals["skipped"]
    print(summary)
    if worst:
        return worst
    return 1 if totals["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Fake passive-DNS server for trawl's end-to-end tests (standard library only).

Usage:
  pdns_server.py [--dataset FILE] [--port-file FILE] [--tls CERT KEY]
                 [--exit-on-eof] [--verbose]

Binds 127.0.0.1 on an ephemeral port and writes the port number to
--port-file (or prints it as the first line of stdout). Speaks HTTP/1.1,
or HTTPS with --tls. With --exit-on-eof it exits when its stdin closes, so
a crashed runner never leaves it behind.

Dataset mode (default) answers from a JSONL file of records:
  /trove/v2/lookup/rrset/name/NAME[/TYPE[/BAILIWICK]]   framed lines:
  /trove/v2/lookup/rdata/name/NAME[/TYPE]                 {"cond":"begin"}
  /trove/v2/lookup/rdata/ip/ADDR[,PFX]                    {"obj":RECORD}...
  /trove/v2/lookup/rrset/raw/HEX[/TYPE[/BAILIWICK]]       {"cond":"succeeded"}
  /trove/v2/lookup/rdata/raw/HEX[/TYPE]                   (or "limited")
  /trove/v2/summarize/...       one summary record (count, num_results, bounds)
  /lookup/..., /summarize/...   the same without framing, one record per line
  /pdns/query/TERM              plain records whose owner or data match TERM
  .../rate_limit                {"rate":{...}}
  anything else                 404, body "Error: not found\\nsecond line\\n"
Query keys honoured: limit, offset, time_{first,last}_{after,before}.

Scripted mode: POST /_control/script with a JSON list of responses; each
request takes the first unused entry whose optional "path" regex matches the
request target (path and query string); an entry with "repeat": true is not
used up. Requests that no entry matches get the dataset answer. Entry keys:
  status        HTTP status (200)
  headers       {"Name": "value"} or [["Name", "value"], ...]
  delay_ms      wait before the status line (a slow server)
  body          text sent as one delivery
  lines         list of lines sent as one delivery; a JSON value becomes its
                compact encoding; each line gets a newline
  deliveries    list of {"data": TEXT | "lines": [...] | "hex": HEX,
                "delay_ms": N}, each written and flushed as its own chunk;
                instead of data a delivery may generate its bytes:
                  "repeat_data": TEXT, "count": N   the text N times
                  "template": TEXT, "count": N, "start": S
                                  the text N times, "{i}" in it replaced by
                                  S, S+1, ... (S defaults to 0)
                  "generate": "bytes", "size": N, "seed": S
                                  N pseudo-random bytes, the same for the
                                  same seed (0 by default)
                generated data of more than 64 KiB goes out in 64 KiB chunks;
                "raw": true writes the bytes as they are, without the chunk
                framing (to send a malformed chunked body)
  chunk_size    (on the response or on one delivery) cut the data into
                chunks of this many bytes, each its own HTTP chunk
                (or its own write with "length"); without a delay they
                are written in batches, so that a million of them is quick
  chunk_delay_ms  (likewise) wait this long before each such chunk after
                the first, flushing each one: a slow drip
  length        true: Content-Length of the whole body instead of chunked
                encoding; a number: that Content-Length whatever is sent
  gzip          true: the whole body gzip-compressed in one delivery, with
                Content-Encoding: gzip, when the request accepts gzip
  close         true: after the deliveries close the connection without the
                terminating chunk; "reset": close with a TCP reset
A redirect is a response like any other: {"status": 302,
"headers": {"Location": "http://..."}}.
GET /_control/requests lists the requests seen since the last
POST /_control/reset (which also drops the script); each is
{"method", "target", "headers": [[name, value], ...], "t"}. Control
requests are not recorded.
"""

import argparse
import gzip
import http.server
import ipaddress
import json
import os
import random
import re
import socket
import ssl
import struct
import sys
import threading
import time
import urllib.parse

MAX_DELAY_S = 60.0
NOT_FOUND_BODY = b"Error: not found\nsecond line\n"
RATE = {"rate": {"reset": 1735689600, "expires": "n/a", "limit": 1000, "remaining": 999,
                 "results_max": 256, "offset_max": 3000000, "burst_size": 10,
                 "burst_window": 300}}
LOOKUP_RE = re.compile(
    r"^(?P<v2>/trove/v2)?/(?P<verb>lookup|summarize)/(?P<kind>rrset|rdata)/"
    r"(?P<how>name|ip|raw)/(?P<rest>.+)$")


def compact(value):
    return json.dumps(value, separators=(",", ":"), ensure_ascii=False)


def norm_name(name):
    return name.lower().rstrip(".") + "."


def name_matches(pattern, name):
    pattern = pattern.lower()
    name = norm_name(name)
    if pattern.startswith("*."):
        return name.endswith(norm_name(pattern[1:]))
    if pattern.endswith(".*"):
        return name.startswith(pattern[:-1])
    return name == norm_name(pattern)


def wire_name(hexdata):
    """Decodes a hex wire-format name; None when it is not one."""
    try:
        raw = bytes.fromhex(hexdata)
    except ValueError:
        return None
    labels, pos = [], 0
    while pos < len(raw):
        n = raw[pos]
        if n == 0:
            return (".".join(labels) + ".") if pos == len(raw) - 1 else None
        if n > 63 or pos + 1 + n > len(raw):
            return None
        labels.append(raw[pos + 1:pos + 1 + n].decode("latin-1"))
        pos += 1 + n
    return None


def rdata_list(rec):
    rdata = rec.get("rdata", [])
    return rdata if isinstance(rdata, list) else [rdata]


def record_span(rec):
    if rec.get("time_first") and rec.get("time_last"):
        return rec["time_first"], rec["time_last"]
    return rec.get("zone_time_first", 0), rec.get("zone_time_last", 0)


class Query:
    """One dataset search parsed from a request path."""

    def __init__(self, kind, how, terms):
        self.kind, self.how = kind, how
        self.thing = terms[0]
        self.rrtype = terms[1] if len(terms) > 1 else "ANY"
        self.bailiwick = terms[2] if len(terms) > 2 else None
        self.network = None
        if how == "ip":
            addr, _, pfx = self.thing.partition(",")
            self.network = ipaddress.ip_network(addr + ("/" + pfx if pfx else ""), strict=False)
        elif how == "raw":
            name = wire_name(self.thing)
            if name is None:
                raw = bytes.fromhex(self.thing)
                if kind == "rrset" or len(raw) not in (4, 16):
                    raise ValueError("bad raw data")
                self.network = ipaddress.ip_network(ipaddress.ip_address(raw))
            self.thing = name

    def type_ok(self, rec):
        wanted = {t.upper() for t in self.rrtype.split(",")}
        return "ANY" in wanted or str(rec.get("rrtype", "")).upper() in wanted

    def matches(self, rec):
        if not self.type_ok(rec):
            return False
        if self.kind == "rrset":
            if self.bailiwick and norm_name(rec.get("bailiwick", "")) != norm_name(self.bailiwick):
                return False
            return name_matches(self.thing, rec.get("rrname", ""))
        if self.network is not None:
            return any(ip_in(r, self.network) for r in rdata_list(rec))
        return any(name_matches(self.thing, w.strip('"'))
                   for r in rdata_list(rec) if isinstance(r, str) for w in r.split())


def ip_in(text, network):
    try:
        return ipaddress.ip_address(text) in network
    except ValueError:
        return False


def time_ok(rec, params):
    first, last = record_span(rec)
    checks = (("time_first_after", first, 1), ("time_first_before", first, -1),
              ("time_last_after", last, 1), ("time_last_before", last, -1))
    for key, value, sign in checks:
        if key in params:
            bound = int(params[key])
            if (value - bound) * sign < 0:
                return False
    return True


def summarize(records):
    summary = {"count": sum(r.get("count", 0) for r in records), "num_results": len(records)}
    for key, pick in (("time_first", min), ("time_last", max),
                      ("zone_time_first", min), ("zone_time_last", max)):
        values = [r[key] for r in records if key in r]
        if values:
            summary[key] = pick(values)
    return summary


class State:
    def __init__(self, dataset):
        self.lock = threading.Lock()
        self.dataset = dataset
        self.script = []
        self.requests = []

    def take_response(self, target):
        with self.lock:
            for i, entry in enumerate(self.script):
                if "path" not in entry or re.search(entry["path"], target):
                    if not entry.get("repeat"):
                        del self.script[i]
                    return entry
        return None


BLOCK = 64 * 1024  # generated data goes out in pieces of this size


def delivery_bytes(item):
    if "hex" in item:
        return bytes.fromhex(item["hex"])
    if "lines" in item:
        return "".join((line if isinstance(line, str) else compact(line)) + "\n"
                       for line in item["lines"]).encode()
    return item.get("data", item.get("body", "")).encode()


def delivery_pieces(item):
    """The bytes of one delivery as an iterable of pieces: one piece for
    literal data, pieces of at most BLOCK bytes for generated data."""
    if "repeat_data" in item:
        text, count = item["repeat_data"].encode(), int(item.get("count", 1))
        if not text or count <= 0:
            return []
        return blocks_of_repeat(text, count)
    if "template" in item:
        return blocks_of_template(item["template"], int(item.get("count", 1)),
                                  int(item.get("start", 0)))
    if "generate" in item:
        if item["generate"] != "bytes":
            raise ValueError("unknown generator %r" % item["generate"])
        return blocks_of_random(int(item.get("size", 0)), item.get("seed", 0))
    return [delivery_bytes(item)]


def blocks_of_repeat(text, count):
    per_block = max(1, BLOCK // len(text))
    block = text * per_block
    while count >= per_block:
        yield block
        count -= per_block
    if count:
        yield text * count


def blocks_of_template(template, count, start):
    pending, size = [], 0
    for i in range(start, start + count):
        piece = template.replace("{i}", str(i)).encode()
        pending.append(piece)
        size += len(piece)
        if size >= BLOCK:
            yield b"".join(pending)
            pending, size = [], 0
    if pending:
        yield b"".join(pending)


def blocks_of_random(size, seed):
    rng = random.Random(seed)
    while size > 0:
        n = min(size, BLOCK)
        yield rng.randbytes(n)
        size -= n


def delivery_size(item):
    if "repeat_data" in item:
        return len(item["repeat_data"].encode()) * max(0, int(item.get("count", 1)))
    if "generate" in item:
        return max(0, int(item.get("size", 0)))
    return sum(len(piece) for piece in delivery_pieces(item))


def rechunk(pieces, size):
    """Cuts an iterable of byte strings into pieces of exactly size bytes
    (the last may be shorter)."""
    rest = b""
    for piece in pieces:
        if rest:
            piece = rest + piece
        whole = len(piece) - len(piece) % size
        for at in range(0, whole, size):
            yield piece[at:at + size]
        rest = piece[whole:]
    if rest:
        yield rest


def pause(ms):
    if ms:
        time.sleep(min(float(ms) / 1000.0, MAX_DELAY_S))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True
    timeout = 30  # an idle or stuck client never pins a thread for long
    state = None
    verbose = False

    def log_message(self, fmt, *args):
        if self.verbose:
            sys.stderr.write("pdns_server: " + (fmt % args) + "\n")

    def do_GET(self):
        self.dispatch()

    do_POST = do_PUT = do_DELETE = do_HEAD = do_GET

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def dispatch(self):
        body = self.read_body()
        path = urllib.parse.urlsplit(self.path).path
        if path.startswith("/_control/"):
            return self.control(path, body)
        with self.state.lock:
            self.state.requests.append({"method": self.command, "target": self.path,
                                        "headers": [[k, v] for k, v in self.headers.items()],
                                        "t": time.time()})
        entry = self.state.take_response(self.path)
        if entry is not None:
            return self.send_scripted(entry)
        try:
            status, ctype, lines = self.dataset_answer(path)
        except ValueError as err:
            status, ctype, lines = 400, "text/plain", ["Error: bad request", str(err)]
        payload = [(line + "\n").encode() for line in lines]
        if status != 200:
            return self.send_simple(status, ctype, b"".join(payload))
        self.send_response(200)
        self.send_header("Content-Type", ctype)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        for chunk in payload:
            self.write_chunk(chunk)
        self.wfile.write(b"0\r\n\r\n")

    def control(self, path, body):
        state = self.state
        if path == "/_control/reset":
            with state.lock:
                state.script, state.requests = [], []
            return self.send_simple(200, "application/json", b"{}\n")
        if path == "/_control/script":
            script = json.loads(body or b"[]")
            if not isinstance(script, list):
                return self.send_simple(400, "text/plain", b"script must be a JSON list\n")
            with state.lock:
                state.script = script
            return self.send_simple(200, "application/json", b"{}\n")
        if path == "/_control/requests":
            with state.lock:
                data = json.dumps(state.requests).encode()
            return self.send_simple(200, "application/json", data + b"\n")
        return self.send_simple(404, "text/plain", NOT_FOUND_BODY)

    def send_simple(self, status, ctype, data):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def write_chunk(self, data):
        self.wfile.write(b"%x\r\n%s\r\n" % (len(data), data))

    def send_piece(self, data, raw):
        # An empty chunk would end the body early, so it is never sent.
        if raw:
            self.wfile.write(data)
        elif data:
            self.write_chunk(data)

    def send_delivery(self, item, entry, raw):
        """Writes one delivery: as its pieces, or cut to chunk_size."""
        pieces = delivery_pieces(item)
        raw = raw or bool(item.get("raw"))
        size = int(item.get("chunk_size", entry.get("chunk_size", 0)) or 0)
        delay = item.get("chunk_delay_ms", entry.get("chunk_delay_ms", 0))
        if size <= 0:
            for piece in pieces:
                self.send_piece(piece, raw)
            return
        if delay:
            for i, piece in enumerate(rechunk(pieces, size)):
                if i:
                    pause(delay)
                self.send_piece(piece, raw)
            return
        # Many small chunks, framed here and written a batch at a time.
        batch, batch_size = [], 0
        for piece in rechunk(pieces, size):
            framed = piece if raw else b"%x\r\n%s\r\n" % (len(piece), piece)
            batch.append(framed)
            batch_size += len(framed)
            if batch_size >= BLOCK:
                self.wfile.write(b"".join(batch))
                batch, batch_size = [], 0
        if batch:
            self.wfile.write(b"".join(batch))

    def send_scripted(self, entry):
        pause(entry.get("delay_ms", 0))
        deliveries = entry["deliveries"] if "deliveries" in entry else [dict(entry, delay_ms=0)]
        headers = entry.get("headers", {})
        headers = list(headers.items()) if isinstance(headers, dict) else list(headers)
        if entry.get("gzip") and "gzip" in (self.headers.get("Accept-Encoding") or ""):
            # As a real server would: only to a client that asked for it.
            body = b"".join(p for d in deliveries for p in delivery_pieces(d))
            deliveries = [{"hex": gzip.compress(body).hex()}]
            headers.append(("Content-Encoding", "gzip"))
        length = entry.get("length")
        close = entry.get("close")
        self.send_response(int(entry.get("status", 200)))
        if not any(k.lower() == "content-type" for k, _ in headers):
            self.send_header("Content-Type", "application/json")
        for name, value in headers:
            self.send_header(name, value)
        if length is True:
            self.send_header("Content-Length", str(sum(delivery_size(d) for d in deliveries)))
        elif length is not None:
            self.send_header("Content-Length", str(int(length)))
        else:
            self.send_header("Transfer-Encoding", "chunked")
        if close:
            self.send_header("Connection", "close")
        self.end_headers()
        for item in deliveries:
            pause(item.get("delay_ms", 0))
            self.send_delivery(item, entry, length is not None)
        if close:
            self.close_connection = True
            # No close_notify and no terminating chunk: the client sees a cut stream.
            if close == "reset":
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
                self.connection.close()
            else:
                self.connection.shutdown(socket.SHUT_RDWR)
            return
        if length is None:
            self.wfile.write(b"0\r\n\r\n")

    def dataset_answer(self, path):
        params = dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(self.path).query))
        if path.endswith("/rate_limit"):
            return 200, "application/json", [compact(RATE)]
        if path.startswith("/pdns/query/"):
            term = urllib.parse.unquote(path[len("/pdns/query/"):])
            try:
                queries = [Query("rdata", "ip", [term])]
            except ValueError:
                queries = [Query("rrset", "name", [term]), Query("rdata", "name", [term])]
            found = [r for r in self.state.dataset if any(q.matches(r) for q in queries)]
            return 200, "application/json", [compact(r) for r in found]
        m = LOOKUP_RE.match(path)
        if not m:
            return 404, "text/plain", NOT_FOUND_BODY.decode().splitlines()
        terms = [urllib.parse.unquote(t) for t in m["rest"].split("/")]
        query = Query(m["kind"], m["how"], terms)
        found = [r for r in self.state.dataset if query.matches(r) and time_ok(r, params)]
        found = found[int(params.get("offset", 0) or 0):]
        limit = int(params.get("limit", 0) or 0)
        limited = 0 < limit < len(found)
        if limited:
            found = found[:limit]
        if m["verb"] == "summarize":
            found = [summarize(found)] if found else []
        if not m["v2"]:
            return 200, "application/json", [compact(r) for r in found]
        lines = [compact({"cond": "begin"})] + [compact({"obj": r}) for r in found]
        end = {"cond": "limited", "msg": "Result limit reached"} if limited else {
            "cond": "succeeded"}
        return 200, "application/x-ndjson", lines + [compact(end)]


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    # The default backlog of 5 makes the sixth of many concurrent connects
    # wait a second for the retransmitted SYN.
    request_queue_size = 128
    tls_context = None

    def get_request(self):
        sock, addr = super().get_request()
        if self.tls_context is not None:
            # The handshake runs lazily in the handler's thread, so a client
            # that never speaks TLS cannot block the accept loop.
            sock = self.tls_context.wrap_socket(sock, server_side=True,
                                                do_handshake_on_connect=False)
        return sock, addr

    def handle_error(self, request, client_address):
        if Handler.verbose:
            super().handle_error(request, client_address)


def load_dataset(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.strip()]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description="fake passive-DNS server")
    ap.add_argument("--dataset", default=os.path.join(here, "sample.jsonl"))
    ap.add_argument("--port-file")
    ap.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    ap.add_argument("--exit-on-eof", action="store_true")
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args()

    Handler.state = State(load_dataset(args.dataset))
    Handler.verbose = args.verbose
    server = Server(("127.0.0.1", 0), Handler)
    if args.tls:
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(args.tls[0], args.tls[1])
        server.tls_context = ctx
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    else:
        print(port, flush=True)
    if args.exit_on_eof:
        def watch():
            while sys.stdin.buffer.read(4096):
                pass
            os._exit(0)
        threading.Thread(target=watch, daemon=True).start()
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()

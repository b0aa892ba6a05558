"""A UDP DNS responder that answers each question after a fixed delay.

The kernel here cannot delay loopback packets, so the server waits itself:
every question is put on a timer of its own, so that questions asked
together are answered together, as a real resolver far away would. Names
under the zone (the zone itself included) get one TXT string; anything else
is answered NXDOMAIN. It counts the questions for names below the zone.
"""
import heapq
import socket
import struct
import threading
import time

TXT = 16


class SlowDns:
    def __init__(self, zone, txt, delay_ms, host="127.0.0.1", port=53):
        self.zone = zone.lower().rstrip(".")
        self.txt = txt.encode()
        self.delay = delay_ms / 1000.0
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((host, port))
        self.lock = threading.Condition()
        self.due = []  # (time, serial, reply, address)
        self.serial = 0
        self.questions = 0
        self.stopping = False
        self.threads = [threading.Thread(target=self._receive, daemon=True),
                        threading.Thread(target=self._send, daemon=True)]
        for t in self.threads:
            t.start()

    def reset_count(self):
        with self.lock:
            self.questions = 0

    def count(self):
        with self.lock:
            return self.questions

    def stop(self):
        with self.lock:
            self.stopping = True
            self.lock.notify()
        self.sock.close()

    def _receive(self):
        while True:
            try:
                query, address = self.sock.recvfrom(4096)
            except OSError:
                return
            reply, below = self._answer(query)
            if reply is None:
                continue
            with self.lock:
                if below:
                    self.questions += 1
                self.serial += 1
                heapq.heappush(self.due, (time.monotonic() + self.delay, self.serial, reply, address))
                self.lock.notify()

    def _send(self):
        with self.lock:
            while not self.stopping:
                if not self.due:
                    self.lock.wait()
                    continue
                wait = self.due[0][0] - time.monotonic()
                if wait > 0:
                    self.lock.wait(wait)
                    continue
                _, _, reply, address = heapq.heappop(self.due)
                try:
                    self.sock.sendto(reply, address)
                except OSError:
                    pass

    def _answer(self, query):
        """The reply to one query, and whether it asked for a name below the zone."""
        if len(query) < 12:
            return None, False
        ident, flags, qdcount = struct.unpack("!HHH", query[:6])
        if qdcount != 1 or flags & 0x8000:
            return None, False
        labels, pos = [], 12
        while pos < len(query) and query[pos] != 0:
            n = query[pos]
            labels.append(query[pos + 1:pos + 1 + n].decode("ascii", "replace").lower())
            pos += 1 + n
        pos += 1
        if pos + 4 > len(query):
            return None, False
        qtype, _ = struct.unpack("!HH", query[pos:pos + 4])
        question = query[12:pos + 4]
        name = ".".join(labels)
        in_zone = name == self.zone or name.endswith("." + self.zone)
        below = in_zone and name != self.zone
        rcode = 0 if in_zone else 3
        answers = b""
        if in_zone and qtype == TXT:
            rdata = bytes([len(self.txt)]) + self.txt
            answers = struct.pack("!HHHIH", 0xc00c, TXT, 1, 3600, len(rdata)) + rdata
        header = struct.pack("!HHHHHH", ident, 0x8400 | (flags & 0x0100) | 0x0080 | rcode, 1,
                             1 if answers else 0, 0, 0)
        return header + question + answers, below

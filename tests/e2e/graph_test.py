#!/usr/bin/python3
"""The graph presentations, read back by the tools an analyst opens them
with: Graphviz takes every DOT document, and networkx reads every GraphML
and GEXF document back into the same nodes, edges and attributes, names
with quotes, backslashes, '&', '<', control bytes and non-ASCII included. A
run whose query fails still writes a whole document.

Usage: graph_test.py --trawl PATH   (exits 77 without graphviz or networkx)
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

try:
    import networkx
except ImportError:
    print("networkx not installed")
    sys.exit(77)

# Owner names and data as a hostile server may send them, and the way
# trawl's text shows them, which the graph's nodes are named by.
ODD = 'q"uo\\\\te&a<b\u0007c\u00e9.example.'
ODD_SHOWN = 'q"uo\\\\te&a<b\\007c\u00e9.example.'
RECORDS = [
    {"rrname": ODD, "rrtype": "A", "rdata": ["192.0.2.1"], "count": 2,
     "time_first": 1600000000, "time_last": 1600003600},
    {"rrname": ODD, "rrtype": "A", "rdata": ["192.0.2.1"], "count": 3,
     "time_first": 1500000000, "time_last": 1550000000},
    # The very same record twice counts once.
    {"rrname": ODD, "rrtype": "A", "rdata": ["192.0.2.1"], "count": 3,
     "time_first": 1500000000, "time_last": 1550000000},
    {"rrname": "mx.example.", "rrtype": "MX", "rdata": ["10 " + ODD]},
    {"rrname": "v6.example.", "rrtype": "AAAA", "rdata": ["2001:DB8::0001"],
     "zone_time_first": 1262304000, "zone_time_last": 1609459200, "count": 7},
    {"rrname": "srv.example.", "rrtype": "SRV", "rdata": ["0 5 443 v6.example."]},
    {"rrname": "txt.example.", "rrtype": "TXT", "rdata": ["no edge"]},
]
NODES = {ODD_SHOWN: "name", "192.0.2.1": "ipv4", "mx.example.": "name",
         "v6.example.": "name", "2001:db8::1": "ipv6", "srv.example.": "name",
         "txt.example.": "name"}
EDGES = {
    (ODD_SHOWN, "192.0.2.1"): {"type": "A", "count": 5, "times": "record",
                               "time_first": "2017-07-14 02:40:00",
                               "time_last": "2020-09-13 13:26:40"},
    ("mx.example.", ODD_SHOWN): {"type": "MX", "count": 0, "preference": 10},
    ("v6.example.", "2001:db8::1"): {"type": "AAAA", "count": 7, "times": "zone",
                                     "time_first": "2010-01-01 00:00:00",
                                     "time_last": "2021-01-01 00:00:00"},
    ("srv.example.", "v6.example."): {"type": "SRV", "count": 0, "priority": 0,
                                      "weight": 5, "port": 443},
}

FAILURES = []


def check(what, condition, detail=""):
    if not condition:
        FAILURES.append(what)
        print("FAIL: %s %s" % (what, detail))


def trawl(args, stdin=None):
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C",
           "TROVE_API_KEY": "k", "HOME": tempfile.gettempdir()}
    return subprocess.run([ARGS.trawl] + args, input=stdin, env=env, capture_output=True,
                          timeout=30)


def read_back(fmt, data, path):
    with open(path, "wb") as f:
        f.write(data)
    return networkx.read_graphml(path) if fmt == "graphml" else networkx.read_gexf(path)


def main():
    global ARGS
    ap = argparse.ArgumentParser()
    ap.add_argument("--trawl", required=True)
    ARGS = ap.parse_args()
    if not shutil.which("dot"):
        print("graphviz not installed")
        return 77
    lines = "".join(json.dumps(r, ensure_ascii=False) + "\n" for r in RECORDS).encode()
    with tempfile.TemporaryDirectory() as tmp:
        saved = os.path.join(tmp, "saved.jsonl")
        with open(saved, "wb") as f:
            f.write(lines)
        dot = trawl(["-J", saved, "-p", "dot"])
        drawn = subprocess.run(["dot", "-Tjson"], input=dot.stdout, capture_output=True)
        check("dot: Graphviz reads it", drawn.returncode == 0, drawn.stderr)
        if drawn.returncode == 0:
            graph = json.loads(drawn.stdout)
            # Graphviz keeps the doubled backslash of an ID (its labels show one).
            names = {o["name"] for o in graph.get("objects", [])}
            check("dot: the nodes", names == {n.replace("\\", "\\\\") for n in NODES}, names)
            check("dot: the edges", len(graph.get("edges", [])) == len(EDGES))
        for fmt in ("graphml", "gexf"):
            out = trawl(["-J", saved, "-p", fmt])
            check(fmt + ": status 0", out.returncode == 0, out.stderr)
            g = read_back(fmt, out.stdout, os.path.join(tmp, "g." + fmt))
            nodes = {n: d["kind"] for n, d in g.nodes(data=True)}
            check(fmt + ": the nodes and their kinds", nodes == NODES, nodes)
            edges = {(a, b): {k: v for k, v in d.items() if k not in ("id", "label")}
                     for a, b, d in g.edges(data=True)}
            check(fmt + ": the edges and their attributes", edges == EDGES, edges)
        # A failed query: the document is still whole, and empty.
        for fmt in ("dot", "graphml", "gexf"):
            # The built-in server is a placeholder: no answer comes.
            failed = trawl(["-u", "trove1", "-r", "x.example", "-p", fmt, "-o", "2"])
            check(fmt + ": a failed run fails", failed.returncode == 1)
            if fmt == "dot":
                ok = subprocess.run(["dot", "-Tsvg"], input=failed.stdout,
                                    capture_output=True).returncode == 0
            else:
                ok = read_back(fmt, failed.stdout, os.path.join(tmp, "f." + fmt)).number_of_nodes() == 0
            check(fmt + ": a failed run writes a whole, empty document", ok, failed.stdout[:200])
    print("%d failed" % len(FAILURES) if FAILURES else "all passed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())

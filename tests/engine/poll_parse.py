#!/usr/bin/env python3
"""Reads tarvix-poll's output in the format named by argv[1] (tsv with
--timestamp, csv or jsonl) from standard input with Python's own parsers
and prints each record as request|status|errors|exception|registers, the
registers comma-separated or "null". Any malformed record: a message on
standard error and exit status 1."""
import csv
import io
import json
import re
import sys

TIME = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$")
FIELDS = ["time", "request", "status", "errors", "request_frame", "reply_frame", "exception"]
HEX = re.compile(r"^([0-9A-F]{2}( [0-9A-F]{2})*)?$")


def emit(rec, regs):
    if not TIME.match(rec["time"]):
        sys.exit("bad time: %r" % rec["time"])
    for f in ("request_frame", "reply_frame"):
        if not HEX.match(rec[f]):
            sys.exit("bad %s: %r" % (f, rec[f]))
    print("%s|%s|%s|%s|%s" % (rec["request"], rec["status"], rec["errors"], rec["exception"] or "-",
                              "null" if regs is None else ",".join(str(r) for r in regs)))


def main():
    fmt = sys.argv[1]
    data = sys.stdin.buffer.read().decode("utf-8")
    if fmt == "csv":
        if not data.endswith("\r\n") or "\n" in data.replace("\r\n", ""):
            sys.exit("csv rows do not end in CRLF")
        rows = list(csv.reader(io.StringIO(data, newline=""), strict=True))
        header = rows[0]
        if header[:7] != FIELDS:
            sys.exit("bad header: %r" % header)
        for row in rows[1:]:
            if len(row) != len(header):
                sys.exit("row of %d fields under %d columns" % (len(row), len(header)))
            rec = dict(zip(header, row))
            values = row[7:]
            emit(rec, None if all(v == "" for v in values) else values)
    elif fmt == "jsonl":
        for line in data.splitlines():
            rec = json.loads(line)
            if list(rec) != FIELDS + ["registers"]:
                sys.exit("bad keys: %r" % list(rec))
            if not isinstance(rec["request"], int) or not isinstance(rec["errors"], int):
                sys.exit("counts are not numbers")
            emit(rec, rec["registers"])
    elif fmt == "tsv":
        for line in data.splitlines():
            f = line.split("\t")
            if len(f) != 7:
                sys.exit("tsv line of %d fields" % len(f))
            rec = dict(zip(FIELDS, f[:6]))
            rec["exception"] = None
            emit(rec, [int(v, 16) for v in f[6].split()])
    else:
        sys.exit("format?")


main()

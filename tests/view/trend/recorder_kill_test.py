#!/usr/bin/env python3
"""A recording killed with SIGKILL: the file Python's csv module reads,
every row whole, and its last row at most one second before the kill.

recorder_kill_test.py CHILD"""
import csv
import datetime
import os
import signal
import subprocess
import sys
import tempfile
import time

child_path = sys.argv[1]
failures = []
with tempfile.TemporaryDirectory() as tmp:
    for run in range(3):
        path = os.path.join(tmp, f'rec{run}.csv')
        child = subprocess.Popen([child_path, path], stdout=subprocess.PIPE, text=True)
        try:
            assert child.stdout.readline().strip() == 'recording'
            time.sleep(1.3 + 0.4 * run)
            killed = time.time()
            os.kill(child.pid, signal.SIGKILL)
        finally:
            child.wait(timeout=10)
        with open(path, newline='') as f:
            rows = list(csv.reader(f))
        if rows[0] != ['time', 'r0', 'r1', 'flow, l/min']:
            failures.append(f'run {run}: header {rows[0]}')
        if any(len(r) != 4 for r in rows):
            failures.append(f'run {run}: a row that is not whole')
        gaps = [r for r in rows[1:] if r[1:] == ['', '', '']]
        if not gaps:
            failures.append(f'run {run}: no empty cells for the failed exchanges')
        last = datetime.datetime.fromisoformat(rows[-1][0]).timestamp()
        lost = killed - last
        print(f'run {run}: {len(rows) - 1} rows, last row {lost:.3f} s before the kill')
        if not 0 <= lost <= 1.0:
            failures.append(f'run {run}: lost {lost:.3f} s')
for f in failures:
    print('FAIL', f)
sys.exit(1 if failures else 0)

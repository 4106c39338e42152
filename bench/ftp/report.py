#!/usr/bin/env python3
"""Markdown report of the measurements of bench/ftp/run.py: per row the
median speed of every tool with its range, varnel-ftp against the fastest
peer, the ratio within each pair, and how noisy the run was.

    bench/ftp/report.py RESULTS     # a file written by run.py --results
"""

import statistics
import sys
from collections import defaultdict
from dataclasses import dataclass

PEERS = ["curl", "lftp", "ncftp"]
VARNEL = "varnel-ftp"
MIB = 1 << 20
KIND_LABELS = {"file": "download to tmpfs file", "null": "download to /dev/null",
               "put": "upload"}
# The goals of varnel-ftp against the fastest peer, by kind of row.
GOALS = {"file": 1.2, "null": 1.0, "put": 1.3}


@dataclass
class Measurement:
    row: str  # kind and mode: "file passive"
    tool: str
    pair: str  # "round:partner"; varnel-ftp and its partner share it
    seconds: float
    cpu: float  # user + system seconds of the client
    rss_kib: int
    size: int

    def line(self):
        return (f"{self.row}|{self.tool}|{self.pair}|{self.seconds:.6f}|{self.cpu:.6f}|"
                f"{self.rss_kib}|{self.size}")

    @staticmethod
    def parse(line):
        row, tool, pair, seconds, cpu, rss, size = line.split("|")
        return Measurement(row, tool, pair, float(seconds), float(cpu), int(rss), int(size))


def row_label(row):
    kind, mode = row.split()
    return f"{KIND_LABELS[kind]} ({mode})"


def mib_s(size, seconds):
    return size / seconds / MIB


def spread(values):
    """Interquartile range / median, in percent."""
    if len(values) < 2:
        return 0.0
    low, _, high = statistics.quantiles(values, n=4)
    return 100 * (high - low) / statistics.median(values)


def split(lines):
    notes, runs = {}, []
    for line in lines:
        line = line.rstrip("\n")
        if line.startswith("# "):
            key, value = line[2:].split("|", 1)
            notes[key] = value
        elif line:
            runs.append(Measurement.parse(line))
    return notes, runs


def print_report(lines):
    notes, runs = split(lines)
    rows, tools = [], []
    by = defaultdict(list)  # (row, tool) -> [Measurement]
    for m in runs:
        if m.row not in rows:
            rows.append(m.row)
        if m.tool not in tools:
            tools.append(m.tool)
        by[(m.row, m.tool)].append(m)
    tools.sort(key=lambda t: (t != VARNEL, t in PEERS, t))
    peers = [t for t in tools if t in PEERS]
    partners = [t for t in tools if t != VARNEL]

    print(f"{notes.get('sizes', '')}; whole-process wall time, tools alternating pair by pair.")
    print(f"Load average (1, 5, 15 min) before: {notes.get('load before', '?')}, "
          f"after: {notes.get('load after', '?')} (the run itself keeps about 2 cores busy). "
          f"Cores busy with other work in 3 s before the run: {notes.get('busy before', '?')} %, "
          f"after: {notes.get('busy after', '?')} %. iperf3 single stream on loopback: "
          f"{notes.get('iperf3 before', '?')} MiB/s before, {notes.get('iperf3 after', '?')} "
          "MiB/s after.")
    print()
    print("MiB/s, median (min-max); last columns: fastest peer's median time / varnel-ftp's "
          "(above 1: varnel-ftp faster), the goal, and the spread of varnel-ftp's own times "
          "(interquartile range / median) as the noise of the row.")
    print()
    print("| Row | " + " | ".join(tools) + " | vs fastest peer | goal | noise |")
    print("|---|" + "---|" * (len(tools) + 3))
    for row in rows:
        cells = []
        for tool in tools:
            ms = by.get((row, tool))
            if not ms:
                cells.append("—")
                continue
            speeds = [mib_s(m.size, m.seconds) for m in ms]
            cells.append(f"{statistics.median(speeds):.0f} ({min(speeds):.0f}-{max(speeds):.0f})")
        median_time = {t: statistics.median(m.seconds for m in by[(row, t)])
                       for t in tools if by.get((row, t))}
        best = min((median_time[p] for p in peers if p in median_time), default=None)
        own = [m.seconds for m in by.get((row, VARNEL), [])]
        ratio = best / median_time[VARNEL] if best and VARNEL in median_time else None
        goal = GOALS[row.split()[0]]
        verdict = "—" if ratio is None else f"{goal:.1f}: {'met' if ratio >= goal else 'NOT met'}"
        noise = f"{spread(own):.0f} %" if own else "—"
        print(f"| {row_label(row)} | " + " | ".join(cells) +
              f" | {'—' if ratio is None else f'{ratio:.2f}'} | {verdict} | {noise} |")

    print()
    print("Within each pair: partner's time / varnel-ftp's, median (min-max) over the pairs.")
    print()
    print("| Row | " + " | ".join(partners) + " |")
    print("|---|" + "---|" * len(partners))
    for row in rows:
        own = {m.pair: m.seconds for m in by.get((row, VARNEL), [])}
        cells = []
        for partner in partners:
            ratios = [m.seconds / own[m.pair] for m in by.get((row, partner), [])
                      if m.pair in own]
            cells.append(f"{statistics.median(ratios):.2f} ({min(ratios):.2f}-{max(ratios):.2f})"
                         if ratios else "—")
        print(f"| {row_label(row)} | " + " | ".join(cells) + " |")

    print()
    print("Client CPU seconds (user + system), median; peak resident memory in MiB, median.")
    print()
    print("| Row | " + " | ".join(tools) + " |")
    print("|---|" + "---|" * len(tools))
    for row in rows:
        cells = []
        for tool in tools:
            ms = by.get((row, tool))
            cells.append(f"{statistics.median(m.cpu for m in ms):.2f} s, "
                         f"{statistics.median(m.rss_kib for m in ms) / 1024:.1f}" if ms else "—")
        print(f"| {row_label(row)} | " + " | ".join(cells) + " |")


def main():
    with open(sys.argv[1]) as f:
        print_report(f.readlines())


if __name__ == "__main__":
    main()

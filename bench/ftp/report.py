#!/usr/bin/env python3
"""Turns the measurements of bench/ftp/run.sh into Markdown tables: medians
per row and tool, ratios to the fastest peer and to iperf3, peak memory."""

import statistics
import sys
from collections import defaultdict

PEERS = ["curl", "lftp", "ncftp"]
MIB = 1048576.0


def load(path):
    tools = []
    times = defaultdict(list)  # (row, tool) -> [seconds]
    rss = defaultdict(list)  # (row, tool) -> [KiB]
    sizes = {}
    rows = []
    for line in open(path):
        row, tool, nanos, kib, size = line.rstrip("\n").split("|")
        if row not in rows:
            rows.append(row)
        if tool != "iperf3" and tool not in tools:
            tools.append(tool)
        times[(row, tool)].append(int(nanos) / 1e9)
        rss[(row, tool)].append(int(kib))
        sizes[row] = int(size)
    return tools, rows, times, rss, sizes


def main():
    tools, rows, times, rss, sizes = load(sys.argv[1])
    size_mib, rounds = sys.argv[2], sys.argv[3]
    iperf_times = times.get(("iperf3 single stream", "iperf3"), [])
    iperf_samples = [sizes["iperf3 single stream"] / s for s in iperf_times]
    iperf = statistics.median(iperf_samples) if iperf_samples else None

    print(f"File {size_mib} MiB from tmpfs, {rounds} rounds, medians.")
    if iperf:
        print(f"iperf3 single stream on loopback: {iperf / MIB:.0f} MiB/s "
              f"(rounds: {', '.join(f'{v / MIB:.0f}' for v in iperf_samples)}).")
    print()
    window = "varnel-client" in tools
    print("Throughput in MiB/s (fraction of iperf3 in brackets); "
          "varnel-ftp / fastest peer" + ("; window / varnel-ftp." if window else "."))
    print()
    print("| Row | " + " | ".join(tools) + " | varnel / best peer |" +
          (" window / varnel-ftp |" if window else ""))
    print("|---|" + "---|" * (len(tools) + 1 + window))
    for row in rows:
        if sizes[row] == 0 or row.startswith("iperf3") or "peak RSS" in row:
            continue
        cells, speed = [], {}
        for tool in tools:
            samples = times.get((row, tool))
            if not samples:
                cells.append("—")
                continue
            speed[tool] = sizes[row] / statistics.median(samples)
            share = f" ({speed[tool] / iperf:.2f})" if iperf else ""
            cells.append(f"{speed[tool] / MIB:.0f}{share}")
        best = max((speed[p] for p in PEERS if p in speed), default=None)
        ratio = f"{speed['varnel-ftp'] / best:.2f}" if best and "varnel-ftp" in speed else "—"
        line = f"| {row} | " + " | ".join(cells) + f" | {ratio} |"
        if window:
            both = "varnel-client" in speed and "varnel-ftp" in speed
            line += f" {speed['varnel-client'] / speed['varnel-ftp']:.2f} |" if both else " — |"
        print(line)

    print()
    print("Time in milliseconds (lower is better); last column: best peer / varnel-ftp.")
    print()
    print("| Row | " + " | ".join(tools) + " | best peer / varnel |")
    print("|---|" + "---|" * (len(tools) + 1))
    for row in rows:
        if sizes[row] != 0:
            continue
        cells, ms = [], {}
        for tool in tools:
            samples = times.get((row, tool))
            ms[tool] = statistics.median(samples) * 1000 if samples else None
            cells.append(f"{ms[tool]:.1f}" if ms[tool] is not None else "—")
        best = min((ms[p] for p in PEERS if ms.get(p) is not None), default=None)
        ratio = f"{best / ms['varnel-ftp']:.2f}" if best and ms.get("varnel-ftp") else "—"
        print(f"| {row} | " + " | ".join(cells) + f" | {ratio} |")

    print()
    print("Peak resident memory in MiB (median over rounds, /usr/bin/time -v).")
    print()
    print("| Row | " + " | ".join(tools) + " |")
    print("|---|" + "---|" * len(tools))
    for row in rows:
        if row.startswith("iperf3"):
            continue
        cells = []
        for tool in tools:
            samples = rss.get((row, tool))
            cells.append(f"{statistics.median(samples) / 1024:.1f}" if samples else "—")
        print(f"| {row} | " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The figures of a bench/soak.sh run, from the files in its work folder: trace.txt (a line
per scan, terminal-sim load --trace), faults.txt (kind, start, end), samples.txt (time,
resident kB, descriptors), load.log, abusers.log and churn.log."""
import os
import statistics
import sys


def percentile(values, fraction):
    if not values:
        return float("nan")
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * (len(ordered) - 1) + 0.5))]


def main(work):
    scans = []
    with open(os.path.join(work, "trace.txt")) as trace:
        for line in trace:
            sent, _terminal, _code, answer, ms = line.split()
            # Placed at the moment of the answer (or of giving up): that is when a fault
            # shows in it.
            scans.append((float(sent) + float(ms) / 1000, answer, float(ms)))
    faults = []
    with open(os.path.join(work, "faults.txt")) as lines:
        for line in lines:
            kind, start, end = line.split()
            faults.append((kind, float(start), float(end)))

    # A fault's window: from its start until the first real answer (a price or not-found)
    # after the last scan that got none (try again, or nothing) before the next fault.
    windows = []
    ordered = sorted(scans)
    bounds = [start for _, start, _ in faults[1:]] + [float("inf")]
    for (kind, start, end), until in zip(faults, bounds):
        failed = [s for s, answer, _ in ordered
                  if start <= s < until and answer not in ("PRICE", "NOTFOUND")]
        last_failure = max(failed) if failed else end
        back = next((s for s, answer, _ in ordered
                     if s > max(last_failure, end) and answer in ("PRICE", "NOTFOUND")), None)
        windows.append((kind, start, end, back))
    def in_window(sent):
        return any(start <= sent <= (back if back else end) for _, start, end, back in windows)

    outside = [(s, a, ms) for s, a, ms in scans if not in_window(s)]
    inside = [(s, a, ms) for s, a, ms in scans if in_window(s)]
    count = lambda rows, kinds: sum(1 for _, a, _ in rows if a in kinds)
    answered = ("PRICE", "NOTFOUND", "BUSY", "RETRY", "UNAVAILABLE")
    print(f"scans sent: {len(scans)}")
    print(f"outside the fault windows: {len(outside)} scans, answered {count(outside, answered)}, "
          f"lost {count(outside, ('NONE',))}, try-again {count(outside, ('UNAVAILABLE', 'RETRY'))}, "
          f"busy {count(outside, ('BUSY',))}")
    latencies = [ms for _, a, ms in outside if a in answered]
    print(f"  latency p50 {percentile(latencies, 0.5):.1f} ms, p99 {percentile(latencies, 0.99):.1f} ms, "
          f"max {max(latencies) if latencies else float('nan'):.1f} ms")
    print(f"inside the fault windows: {len(inside)} scans, answered {count(inside, answered)}, "
          f"lost {count(inside, ('NONE',))}, try-again {count(inside, ('UNAVAILABLE', 'RETRY'))}")
    for kind, start, end, back in windows:
        if back is None:
            print(f"  {kind} at {start:.1f}: never recovered")
            continue
        answers = [ms for s, a, ms in scans if start <= s <= back and a in answered]
        print(f"  {kind}: fault {end - start:.1f} s, recovered {back - end:.1f} s after its end; "
              f"longest answer inside {max(answers) if answers else 0:.0f} ms")

    samples = []
    with open(os.path.join(work, "samples.txt")) as lines:
        for line in lines:
            parts = line.split()
            if len(parts) == 3 and parts[1] and parts[2]:
                samples.append((float(parts[0]), int(parts[1]), int(parts[2])))
    if samples:
        # After the first minute every terminal and abuser is connected.
        settled = next((s for s in samples if s[0] >= samples[0][0] + 60), samples[0])
        last = samples[-1]
        print(f"resident memory: {settled[1] / 1024:.1f} MB after the first minute, "
              f"{last[1] / 1024:.1f} MB at end, {max(s[1] for s in samples) / 1024:.1f} MB at most")
        print(f"descriptors: {settled[2]} after the first minute, {last[2]} at end, "
              f"{max(s[2] for s in samples)} at most")
        # The activity log keeps every line until the operator clears it: with the window
        # shown, memory grows with it; the rest is what the program itself keeps.
        with open(os.path.join(work, "program.log"), errors="replace") as text:
            logged = sum(1 for l in text if l.startswith("LOG\t"))
        minutes = (last[0] - settled[0]) / 60
        if minutes > 0:
            print(f"activity log: {logged} lines; resident memory grew "
                  f"{(last[1] - settled[1]) / minutes:.0f} kB a minute after the first one")
    for name in ("load.log", "abusers.log"):
        path = os.path.join(work, name)
        if os.path.exists(path):
            with open(path) as text:
                lines = [l.strip() for l in text if "answered=" in l or "holder" in l]
            for line in lines[-2:]:
                print(f"{name}: {line}")
    churn = os.path.join(work, "churn.log")
    if os.path.exists(churn):
        with open(churn) as text:
            print(f"churned connections that failed: {sum(1 for _ in text)}")


if __name__ == "__main__":
    main(sys.argv[1])

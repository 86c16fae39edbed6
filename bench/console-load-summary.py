#!/usr/bin/python3
"""Summary of bench/console-load.sh: the answer times of the runs without the console
(off-*.txt) and with it (on-*.txt), pooled per side.

    console-load-summary.py TRACE_DIR
"""
import glob
import os
import random
import sys


def times_of(directory, side):
    times = []
    for path in sorted(glob.glob(os.path.join(directory, side + "-*.txt"))):
        with open(path, encoding="utf-8", errors="replace") as trace:
            times.extend(float(line.split()[-1]) for line in trace if line.strip())
    return times


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def main():
    directory = sys.argv[1]
    off, on = times_of(directory, "off"), times_of(directory, "on")
    if not off or not on:
        sys.exit("no answer times in " + directory)
    for side, times in (("without the console", off), ("with the console", on)):
        print("%-20s answers %6d  p50 %.2f ms  p99 %.2f ms  max %.2f ms" % (
            side, len(times), percentile(times, 0.50), percentile(times, 0.99), max(times)))
    ratio = percentile(on, 0.99) / percentile(off, 0.99)
    draw = random.Random(7)
    ratios = sorted(
        percentile(draw.choices(on, k=len(on)), 0.99) / percentile(draw.choices(off, k=len(off)), 0.99)
        for _ in range(400))
    print("p99 with / without: %.3f (bootstrap 95 %% interval %.3f to %.3f)" % (
        ratio, ratios[10], ratios[389]))


main()

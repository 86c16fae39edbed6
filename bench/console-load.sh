#!/bin/bash
# Whether the web console costs the terminals anything: the bar of terminal-load.sh (200
# terminals at 9 scans a second on a million articles) served without the console and with
# 10 clients polling it (20 requests a second in all), in PAIRS pairs of runs whose order
# alternates, so that a drift of the machine falls on both sides alike. Every answer time is
# kept; the summary pools each side's answers and prints their p50 / p99, the ratio of the
# p99s with a bootstrap 95 % interval, and what was lost.
#
#   bench/console-load.sh BUILD_DIR [WORK_DIR]
#
# Environment: PAIRS (default 4), SECONDS_OF_LOAD (default 120), SERVER (service or
# desktop, default service), and terminal-load.sh's own.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
work=${2:-/tmp/veska-console-load}
pairs=${PAIRS:-4}
mkdir -p "$work/traces"
rm -f "$work"/traces/*

run() { # side, run number
    local side=$1 number=$2 clients=0
    [ "$side" = on ] && clients=10
    SERVER=${SERVER:-service} SECONDS_OF_LOAD=${SECONDS_OF_LOAD:-120} CONSOLE_CLIENTS=$clients \
        TRACE="$work/traces/$side-$number.txt" "$here/terminal-load.sh" "$build" "$work" \
        > "$work/traces/$side-$number.out" 2>&1
    echo "console $side, run $number: $(tr '\n' ' ' < "$work/traces/$side-$number.out")"
}

for pair in $(seq 1 "$pairs"); do
    if [ $((pair % 2)) -eq 1 ]; then
        run off "$pair"
        run on "$pair"
    else
        run on "$pair"
        run off "$pair"
    fi
done
python3 "$here/console-load-summary.py" "$work/traces"

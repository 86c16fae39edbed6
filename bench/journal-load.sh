#!/bin/bash
# The terminal load of terminal-load.sh (200 terminals, 9 scans a second in all, a million
# articles) served with the scan journal off and on, alternately, ROUNDS times each, in one
# run of this script. Prints one line per run: the terminals' summary, the journal's rows
# (with the journal on) and the server's peak memory.
#
#   bench/journal-load.sh BUILD_DIR [WORK_DIR]
set -uo pipefail

build=$(cd "$1" && pwd)
work=${2:-/tmp/veska-terminal-load}
here=$(cd "$(dirname "$0")" && pwd)
for round in $(seq 1 "${ROUNDS:-2}"); do
    for journal in off on; do
        out=$(JOURNAL=$journal "$here/terminal-load.sh" "$build" "$work" 2>&1 | tail -3 |
            grep -E "answered=|journal rows|peak" | tr '\n' ' ')
        echo "round $round journal=$journal: $out"
    done
done

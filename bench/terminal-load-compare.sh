#!/bin/bash
# The terminal loads of terminal-load.sh served by this build's program and by another
# build's (an earlier commit), one after the other on the same catalogue and terminals, and
# this program once more with the other build's terminal-server library (one without
# tc_wakefd: the polling program). Prints one line per run: the load, who served, the
# terminals' summary and the server's peak memory.
#
#   bench/terminal-load-compare.sh BUILD_DIR BASE_BUILD_DIR [WORK_DIR]
#
# Environment: LOADS, the loads as TERMINALS:RATE:SECONDS (default "200:9:60 1000:1000:30").
set -uo pipefail

build=$(cd "$1" && pwd)
base=$(cd "$2" && pwd)
work=${3:-/tmp/veska-terminal-load}
here=$(cd "$(dirname "$0")" && pwd)
base_library=$(ls "$base"/termserver/libtermserver.so.* | head -1)

run() { # label, then environment for terminal-load.sh
    local label=$1
    shift
    local out
    out=$(env "$@" "$here/terminal-load.sh" "$build" "$work" 2>&1 | tail -2 | tr '\n' ' ')
    echo "$label $out"
}

for load in ${LOADS:-200:9:60 1000:1000:30}; do
    IFS=: read -r terminals rate seconds <<< "$load"
    common=(TERMINALS="$terminals" RATE="$rate" SECONDS_OF_LOAD="$seconds")
    run "terminals=$terminals rate=$rate/s before:" "${common[@]}" SERVER_BUILD="$base"
    run "terminals=$terminals rate=$rate/s after:" "${common[@]}"
    run "terminals=$terminals rate=$rate/s after, library without tc_wakefd:" "${common[@]}" \
        VESKA_TERMSERVER_LIBRARY="$base_library"
done

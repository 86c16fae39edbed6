#!/usr/bin/env bash
# Fuzzes the terminal protocol's frame parser for a bounded time.
#   scripts/lib/fuzz.sh BUILD_DIR [SECONDS]
# Configures a clang build of the libFuzzer target (address and undefined-behaviour
# sanitizers) in BUILD_DIR and runs it for SECONDS (default 60). Exits non-zero when the
# fuzzer finds a crash. Without clang it says so and does nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${1:?usage: fuzz.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}

if ! command -v clang++ >/dev/null 2>&1 || ! command -v clang >/dev/null 2>&1; then
    echo "fuzz.sh: clang is not installed; skipping the fuzzer"
    exit 0
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVESKA_TERMSERVER_ONLY=ON -DVESKA_BUILD_TESTS=OFF -DTERMSERVER_FUZZ=ON \
    -DVESKA_SANITIZE="address;undefined" >/dev/null
cmake --build "$build_dir" --target termserver_frame_fuzzer

corpus="$(cd "$build_dir" && pwd)/frame-corpus"
mkdir -p "$corpus"
# Seeds: the frames a terminal sends, and a few broken ones.
printf '\x01SCAN\t7891234567890\n' >"$corpus/scan"
printf '\x03PING\r\nSCAN\t42\n' >"$corpus/ping-scan"
printf '\x05SCAN\t12' >"$corpus/half"
printf '\x00SCAN\t1\x002\n' >"$corpus/nul"

cd "$build_dir"
./termserver/termserver_frame_fuzzer -max_total_time="$seconds" -max_len=4096 \
    -print_final_stats=1 "$corpus"

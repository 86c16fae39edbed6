#!/usr/bin/env bash
# A long run of the whole program under the mix a shop on a bad day gives it, and what it
# did: 200 terminals scanning 9 times a second in all (terminal-sim load), connections made
# and dropped all the time, broken bytes, a host that holds 1,100 connections, and the
# Firebird server killed (and restarted by its guard) twice and hung (SIGSTOP) once for
# 30 s. The program serves a 100,000-article catalogue through the server on loopback.
#
#   bench/soak.sh [MINUTES]      (default 30; the faults come at 20 %, 40 % and 60 %)
#
# SOAK_TERMINALS and SOAK_RATE change the honest load (default 200 terminals, 9 scans a
# second in all; 1000 and 1000 is a chain's busiest hour).
#
# SOAK_FLOOD=1 adds a flood from 32 addresses (127.0.4.1-32), two connections each keeping
# four scans in flight all the time: the honest terminals must lose nothing to it.
#
# SOAK_DESKTOP chooses where the window lives: "offscreen" (the default; no notification
# area, so the window stays shown, minimised, and every scan adds a line to the activity
# log, which by design holds every line until the operator clears it) or "tray" (a private
# Xvfb with trayer: the window hides into the tray after the start, as on a shop's desktop,
# and scans write no log lines).
#
# Needs the release build (build/release, or VESKA_BUILD), root (it stops and kills the
# Firebird server of scripts/lib/firebird-server.sh), python3, and the loopback network only.
# Prints answers given and lost, the latency outside the fault windows, the time to recover
# after each fault, and the program's resident memory and descriptors at start and end
# (bench/soak-report.py); the raw files stay in the work folder it names.
set -euo pipefail
ulimit -n "$(ulimit -Hn)" # a descriptor per terminal, on both sides
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESKA_BUILD:-$root/build/release}
minutes=${1:-30}
duration=$((minutes * 60))
work=$(mktemp -d /tmp/veska-soak.XXXXXX)
data=/var/lib/firebird/3.0/data
port=29900
echo "Soak of $minutes min; files in $work"

"$root/scripts/lib/firebird-server.sh" start >/dev/null
server_pid() { pgrep -x firebird | head -n 1; }

# The shop: the demo catalogue, served by the Firebird server.
"$build/tools/demo-catalogue/veska-demo-catalogue" --dir "$work/demo" --articles 100000 >/dev/null
install -o firebird -g firebird -m 0660 "$work/demo/demo.fdb" "$data/veska-soak.fdb"
mkdir -p "$work/shop"
cp "$work/demo/SYS_INFO.INI" "$work/shop/"
printf '[QuildaneLojaR]\ndatabase = 127.0.0.1/3050:%s\ncharset = WIN1252\n' \
    "$data/veska-soak.fdb" >"$work/shop/veska-aliases.conf"
printf 'listen=127.0.0.1:%d\n' "$port" >"$work/shop/termserver.conf"
# Codes the terminals scan: article codes, barcodes, and codes no article has.
ISC_USER=ROOT ISC_PASSWORD=480317 isql-fb -q "127.0.0.1/3050:$data/veska-soak.fdb" <<'SQL' |
set heading off;
select first 3000 skip 400 codigo from produtos;
select first 3000 skip 9000 cod_barra from produtos;
SQL
    awk 'NF == 1 { print $1 }' >"$work/codes.txt"
for i in $(seq 1 600); do echo "NAOEXISTE$i"; done >>"$work/codes.txt"
shuf --random-source=<(yes) -o "$work/codes.txt" "$work/codes.txt"

cleanup() {
    kill -CONT "$(server_pid)" 2>/dev/null || true
    jobs -p | xargs -r kill 2>/dev/null || true
    wait 2>/dev/null || true
    rm -f "$data/veska-soak.fdb"
}
trap cleanup EXIT

# The program, on its desktop.
desktop=(QT_QPA_PLATFORM=offscreen)
if [ "${SOAK_DESKTOP:-offscreen}" = tray ]; then
    Xvfb :371 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X371 ] && break; sleep 0.1; done
    DISPLAY=:371 trayer --edge top --align right --widthtype pixel --width 200 --height 32 \
        >/dev/null 2>&1 &
    sleep 1
    desktop=(DISPLAY=:371 QT_QPA_PLATFORM=xcb)
fi
(cd "$work/shop" && exec env "${desktop[@]}" VESKA_LOG_STDOUT=1 LC_ALL=pt_BR.UTF-8 \
    "$build/src/app/consulta_veska" 0) >"$work/program.log" 2>&1 &
program=$!
for _ in $(seq 100); do
    grep -q "Servidor inicializado com sucesso" "$work/program.log" && break
    sleep 0.2
done
grep -q "Servidor inicializado com sucesso" "$work/program.log" || {
    echo "the program did not start"
    cat "$work/program.log"
    exit 1
}
sim=("$build/tools/terminal-sim/terminal-sim" --server "127.0.0.1:$port")
started=$(date +%s.%N)
stop_at=$(($(date +%s) + duration))

# What the program holds, every 10 s.
(while [ "$(date +%s)" -lt "$stop_at" ] && kill -0 "$program" 2>/dev/null; do
    printf '%s %s %s\n' "$(date +%s.%N)" \
        "$(awk '/^VmRSS/ { print $2 }' "/proc/$program/status")" \
        "$(ls "/proc/$program/fd" | wc -l)"
    sleep 10
done) >"$work/samples.txt" &

# The terminals.
"${sim[@]}" --timeout 10 load --terminals "${SOAK_TERMINALS:-200}" --scans 100000 \
    --rate "${SOAK_RATE:-9}" --duration "$duration" \
    --trace "$work/trace.txt" "$work/codes.txt" >"$work/load.log" 2>&1 &
load=$!

# The abusers, each until the end.
python3 "$root/bench/soak-abusers.py" --port "$port" --until "$stop_at" \
    ${SOAK_FLOOD:+--flood "$work/codes.txt"} >"$work/abusers.log" 2>&1 &
(i=0
 while [ "$(date +%s)" -lt "$stop_at" ]; do
     i=$((i + 1))
     "${sim[@]}" --bind "127.0.1.$((i % 250 + 1))" --timeout 10 scan "$(sed -n "$((i % 3000 + 1))p" "$work/codes.txt")" \
         >/dev/null 2>&1 || echo "churn $i failed at $(date +%s.%N)"
     sleep 0.2
 done) >"$work/churn.log" &

# The faults.
at() { # fraction of the duration
    local when
    when=$(python3 -c "print($started + $duration * $1)")
    python3 -c "import time; time.sleep(max(0, $when - time.time()))"
}
{
    at 0.2
    echo "kill $(date +%s.%N) $(date +%s.%N)"
    kill -9 "$(server_pid)"
    at 0.4
    echo "kill $(date +%s.%N) $(date +%s.%N)"
    kill -9 "$(server_pid)"
    at 0.6
    hung=$(date +%s.%N)
    pid=$(server_pid)
    kill -STOP "$pid"
    sleep 30
    kill -CONT "$pid"
    echo "hang $hung $(date +%s.%N)"
} >"$work/faults.txt"

wait "$load" || true
sleep 1
kill -TERM "$program"
wait "$program" || true
echo "Program ended; its last lines:"
tail -n 3 "$work/program.log"
python3 "$root/bench/soak-report.py" "$work"

#!/bin/bash
# The real program under terminal load: a demo catalogue (1,000,000 synthetic articles by
# default), consulta_veska serving it on 127.0.0.1, and terminal-sim with 200 terminals at
# an aggregate 9 scans a second for about a minute. Prints terminal-sim's summary
# (answered, unanswered, scan-to-answer percentiles) and the server's peak memory.
#
#   bench/terminal-load.sh BUILD_DIR [WORK_DIR]
#
# Environment: ARTICLES (default 1000000), PORT (default 47123), TERMINALS (200), RATE (9),
# SECONDS_OF_LOAD (60); SERVER_BUILD, the build whose consulta_veska serves (default
# BUILD_DIR: another commit's program against the same terminals); VESKA_TERMSERVER_LIBRARY,
# the terminal-server library it loads (one without tc_wakefd shows the polling program);
# JOURNAL, on or off (default on): the scan journal of gerencia.conf, whose rows are counted
# after the load.
# Terminals beyond 250 come from further 127.0.x.y addresses, one address each.
# SERVER=service serves with consulta-veska-service (no display) instead of the desktop
# program. CONSOLE_CLIENTS=N (default 0) switches the web console on (gerencia.conf) and
# polls it meanwhile with N clients, CONSOLE_RATE (20) requests a second in all. TRACE=FILE
# keeps every scan's answer time (terminal-sim's trace: the milliseconds are the last field).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
work=${2:-/tmp/veska-terminal-load}
articles=${ARTICLES:-1000000}
port=${PORT:-47123}
terminals=${TERMINALS:-200}
rate=${RATE:-9}
seconds=${SECONDS_OF_LOAD:-60}
server_build=$(cd "${SERVER_BUILD:-$build}" && pwd)
ulimit -n "$(ulimit -Hn)" # a descriptor per terminal, on both sides

mkdir -p "$work"
if [ ! -f "$work/demo.fdb" ]; then
    "$build/tools/demo-catalogue/veska-demo-catalogue" --dir "$work" --articles "$articles"
fi

# A third of the codes by article code, a third by barcode (EAN-13 "2" + 11 digits), a
# third absent and framed by "A" (four lookups each).
awk -v n="$articles" 'BEGIN {
    srand(7)
    for (i = 0; i < 3000; i++) {
        k = int(rand() * n)
        if (i % 3 == 0) { printf "1%09d\n", k; continue }
        if (i % 3 == 2) { printf "A9%09dA\n", k; continue }
        twelve = sprintf("2%011d", k); sum = 0
        for (j = 1; j <= 12; j++) sum += substr(twelve, j, 1) * (j % 2 == 1 ? 1 : 3)
        printf "%s%d\n", twelve, (10 - sum % 10) % 10
    }
}' > "$work/codes.txt"

cd "$work"
rm -f consulta_veska.cfg consultas.sqlite consultas.sqlite-wal consultas.sqlite-shm
echo "journal = ${JOURNAL:-on}" > gerencia.conf
console_clients=${CONSOLE_CLIENTS:-0}
if [ "$console_clients" -gt 0 ]; then
    hash=$(echo bench-password | "$build/tools/veska-passwd/veska-passwd")
    printf 'web_listen = 127.0.0.1:%s\nweb_password = %s\n' $((port + 1)) "$hash" \
        >> gerencia.conf
fi
if [ "${SERVER:-desktop}" = service ]; then
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM TERMSERVER_LISTEN=127.0.0.1:$port \
        "$server_build/src/service/consulta-veska-service" > "$work/server.log" 2>&1 &
else
    TERMSERVER_LISTEN=127.0.0.1:$port QT_QPA_PLATFORM=offscreen \
        "$server_build/src/app/consulta_veska" 0 > "$work/server.log" 2>&1 &
fi
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
    if "$build/tools/terminal-sim/terminal-sim" --server 127.0.0.1:$port --timeout 2 \
        scan 1000000000 > /dev/null 2>&1; then
        break
    fi
    sleep 0.2
done

scans=$(( (rate * seconds + terminals - 1) / terminals ))
pollers=
if [ "$console_clients" -gt 0 ]; then
    "$here/console-pollers.py" 127.0.0.1:$((port + 1)) bench-password \
        "$console_clients" "${CONSOLE_RATE:-20}" "$seconds" > "$work/console.txt" &
    pollers=$!
fi
status=0
"$build/tools/terminal-sim/terminal-sim" --server 127.0.0.1:$port --timeout 5 load \
    --terminals "$terminals" --scans "$scans" --rate "$rate" --duration $((seconds + 30)) \
    ${TRACE:+--trace "$TRACE"} "$work/codes.txt" | tail -1 || status=$?
if [ "${JOURNAL:-on}" = on ]; then
    sleep 3 # the journal writes at least once a second
    echo "journal rows: $(sqlite3 -readonly consultas.sqlite \
        "SELECT count(*) FROM scans WHERE code <> '1000000000'")"
fi
echo "server peak resident memory: $(awk '/VmHWM/ {print $2 " " $3}' /proc/$server/status)"
if [ -n "$pollers" ]; then
    wait "$pollers"
    cat "$work/console.txt"
fi
exit $status

#!/bin/bash
# The notification area under an operator's hands, measured on private Xvfb displays with
# private session buses:
#   1. crash: "Abrir" picked with the pointer from the icon's menu on trayer (XEmbed), ROUNDS
#      times, each on a fresh start; prints how many times the program was still alive;
#   2. hung watcher: xfce4-panel's status tray stopped (SIGSTOP) while a terminal scans 8
#      codes, one a second; prints each scan-to-answer time in milliseconds;
#   3. end of session at start-up: SIGTERM one second into `consulta_veska 20`; prints how
#      long the program took to end, its exit code, whether a terminal was served and
#      whether anything was logged.
#
#   bench/tray-desktop.sh BUILD_DIR [WORK_DIR]
#
# Needs Xvfb, dbus-daemon, trayer, xfce4-panel and xdotool. Environment: ROUNDS (20),
# PORT (47131), DISPLAY_NUMBER (361; three numbers from it are used).
set -euo pipefail

build=$(cd "$1" && pwd)
work=${2:-/tmp/veska-tray-desktop}
rounds=${ROUNDS:-20}
port=${PORT:-47131}
number=${DISPLAY_NUMBER:-361}
program=$build/src/app/consulta_veska
sim=$build/tools/terminal-sim/terminal-sim
export VESKA_TERMSERVER_LIBRARY=$build/termserver/libtermserver.so.1
export TERMSERVER_LISTEN=127.0.0.1:$port QT_QPA_PLATFORM=xcb VESKA_LOG_STDOUT=1

mkdir -p "$work"
[ -f "$work/demo.fdb" ] || "$build/tools/demo-catalogue/veska-demo-catalogue" --dir "$work" >/dev/null
cd "$work"
export FIREBIRD_LOCK=$work/.firebird-lock

started=()
cleanup() {
    local pid
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

now_ms() { date +%s%3N; }

# A display with its own bus: sets DISPLAY and DBUS_SESSION_BUS_ADDRESS.
private_display() { # number
    Xvfb ":$1" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    started+=($!)
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$1" ] && break; sleep 0.1; done
    export DISPLAY=:$1
    local address
    address=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | tr '\n' ' ')
    export DBUS_SESSION_BUS_ADDRESS=${address%% *}
    started+=("$(echo "$address" | awk '{print $2}')")
}

wait_until() { # seconds command...
    local deadline=$(( $(date +%s) + $1 )); shift
    until "$@"; do
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

tray_icon() { # the program's icon window in trayer's panel
    local id
    for id in $(xdotool search --onlyvisible --classname consulta_veska 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        if [ "$Y" -lt 32 ] && [ "$X" -ge 824 ] && [ "$WIDTH" -le 32 ]; then echo "$id"; return 0; fi
    done
    return 1
}
main_window() { # the main window (668 x 404), shown or hidden
    local id
    for id in $(xdotool search --name 'VESKA -Sistema' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        if [ "$WIDTH" -eq 668 ] && [ "$HEIGHT" -eq 404 ]; then echo "$id"; return 0; fi
    done
    return 1
}
window_hidden() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
window_shown() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

echo "== 1. 'Abrir' from the menu with the pointer on trayer, $rounds rounds"
private_display "$number"
trayer --edge top --align right --widthtype pixel --width 200 --height 32 >/dev/null 2>&1 &
started+=($!)
alive=0
for round in $(seq "$rounds"); do
    "$program" 0 > "$work/round.log" 2>&1 &
    pid=$!
    wait_until 20 main_window >/dev/null || true
    window=$(main_window || echo 0)
    wait_until 20 grep -q 'Servidor inicializado com sucesso.' "$work/round.log" || true
    wait_until 20 window_hidden "$window" || true
    icon=$(wait_until 10 tray_icon >/dev/null && tray_icon || true)
    eval "$(xdotool getwindowgeometry --shell "$icon")"
    before=$(xdotool search --onlyvisible --classname consulta_veska | sort)
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
    menu=""
    wait_until 5 bash -c "[ \"\$(xdotool search --onlyvisible --classname consulta_veska | sort)\" != \"$before\" ]" || true
    menu=$(comm -13 <(echo "$before") <(xdotool search --onlyvisible --classname consulta_veska | sort) | head -1)
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + 12)) click 1
    wait_until 5 window_shown "$window" || true
    sleep 1 # the icon's removal runs after the menu has closed: give it its turn
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "round $round: the program is gone"
    elif ! window_shown "$window"; then
        echo "round $round: alive, but the window did not open"
    else
        alive=$((alive + 1))
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
done
echo "alive after 'Abrir': $alive of $rounds"

echo "== 2. scans while the bus watcher is stopped (xfce4-panel's status tray)"
private_display $((number + 1))
config=$work/xdg-config
mkdir -p "$config/xfce4/xfconf/xfce-perchannel-xml"
cat > "$config/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
XML
# The bus daemon was started before XDG_CONFIG_HOME was set: start one that passes it on.
kill "${started[-1]}" 2>/dev/null || true
export XDG_CONFIG_HOME=$config
address=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | tr '\n' ' ')
export DBUS_SESSION_BUS_ADDRESS=${address%% *}
started+=("$(echo "$address" | awk '{print $2}')")
xfce4-panel >/dev/null 2>&1 &
started+=($!)
host_registered() {
    dbus-send --session --print-reply --reply-timeout=1000 --dest=org.kde.StatusNotifierWatcher \
        /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
        string:org.kde.StatusNotifierWatcher string:IsStatusNotifierHostRegistered 2>/dev/null |
        grep -q 'boolean true'
}
wait_until 30 host_registered
"$program" 0 > "$work/hung.log" 2>&1 &
pid=$!
wait_until 20 grep -q 'Servidor inicializado com sucesso.' "$work/hung.log"
sleep 2 # the icon registered and the automatic hide done
watcher=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:org.kde.StatusNotifierWatcher |
    awk '/uint32/ {print $2}')
kill -STOP "$watcher"
for i in $(seq 8); do
    start=$(now_ms)
    answer=$("$sim" --server "$TERMSERVER_LISTEN" --timeout 60 scan 000003 | cut -f3)
    echo "scan $i: $(( $(now_ms) - start )) ms ($answer)"
    sleep 1
done
kill -CONT "$watcher"
kill "$pid"; wait "$pid" 2>/dev/null || true
unset XDG_CONFIG_HOME

echo "== 3. SIGTERM one second into 'consulta_veska 20'"
"$program" 20 > "$work/term.log" 2>&1 &
pid=$!
sleep 1
start=$(now_ms)
kill -TERM "$pid"
code=0
wait "$pid" || code=$?
echo "ended $(( $(now_ms) - start )) ms after the signal, exit code $code"
if "$sim" --server "$TERMSERVER_LISTEN" --timeout 1 scan 000003 >/dev/null 2>&1; then
    echo "a terminal was served"
else
    echo "no terminal served (nothing listens)"
fi
echo "log lines: $(grep -c '^LOG' "$work/term.log" || true)"

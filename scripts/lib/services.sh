# Starts and stops what the tests need: an X server (Xvfb) for the end-to-end tests and
# the Firebird server on loopback for the connection tests.
veska_start_test_services() {
    if ! command -v Xvfb >/dev/null; then return 0; fi
    export VESKA_TEST_DISPLAY=${VESKA_TEST_DISPLAY:-:97}
    local number=${VESKA_TEST_DISPLAY#:}
    # A socket left behind by a server that is gone (a machine restarted without cleaning
    # /tmp) would pass for a running display: its lock file names no live process.
    local owner
    owner=$(tr -d ' ' <"/tmp/.X${number}-lock" 2>/dev/null || true)
    if [ -z "$owner" ] || ! kill -0 "$owner" 2>/dev/null; then
        rm -f "/tmp/.X11-unix/X${number}" "/tmp/.X${number}-lock"
    fi
    if [ ! -e "/tmp/.X11-unix/X${number}" ]; then
        Xvfb "$VESKA_TEST_DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/tmp/veska-xvfb.log 2>&1 &
        VESKA_XVFB_PID=$!
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X${number}" ] && break
            sleep 0.1
        done
    fi
    if [ -x scripts/lib/firebird-server.sh ]; then
        scripts/lib/firebird-server.sh start
    fi
}

veska_stop_test_services() {
    [ -n "${VESKA_XVFB_PID:-}" ] && kill "$VESKA_XVFB_PID" 2>/dev/null
    if [ -x scripts/lib/firebird-server.sh ]; then
        # Quietly: the test run ends with CTest's summary.
        scripts/lib/firebird-server.sh stop >/dev/null 2>&1 || true
    fi
    return 0
}

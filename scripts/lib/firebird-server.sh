#!/usr/bin/env bash
# Starts or stops the Debian Firebird 3 server (SuperServer) on loopback without a service
# manager, for the connection tests and for trying the program against a real server.
#
#   firebird-server.sh start   starts it if it is not answering, waits for its port, makes
#                              the login ROOT (password 480317), the login VENDEDOR (the
#                              same password, no rights on the test tables) and the test
#                              database
#   firebird-server.sh stop    stops the server that this script started
#
# The test database is the server alias "veska_test" (added to the server's databases.conf)
# for the file /var/lib/firebird/3.0/data/veska_test.fdb, owned by ROOT. Both commands can
# be repeated safely. Needs root (or sudo) and the package firebird3.0-server.
set -euo pipefail

conf_dir=/etc/firebird/3.0
run_dir=/run/firebird3.0
pid_file=$run_dir/fbguard.pid
data_dir=/var/lib/firebird/3.0/data
test_db=$data_dir/veska_test.fdb
test_alias=veska_test
host=127.0.0.1
port=3050

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

port_answers() {
    (exec 3<>"/dev/tcp/$host/$port") 2>/dev/null
}

wait_for_port() { # answers|closed
    local i
    for i in $(seq 150); do
        if [ "$1" = answers ] && port_answers; then return 0; fi
        if [ "$1" = closed ] && ! port_answers; then return 0; fi
        sleep 0.2
    done
    return 1
}

sysdba_password() {
    # The package keeps the generated SYSDBA password in this shell-style file.
    "${as_root[@]}" sh -c ". $conf_dir/SYSDBA.password && printf %s \"\$ISC_PASSWORD\""
}

isql() { # user password database, SQL on standard input
    ISC_USER='' ISC_PASSWORD='' isql-fb -q -b -user "$1" -password "$2" "$3"
}

prepare_test_database() {
    local sysdba
    sysdba=$(sysdba_password)
    if ! "${as_root[@]}" grep -q "^$test_alias[[:space:]]*=" "$conf_dir/databases.conf"; then
        echo "$test_alias = $test_db" | "${as_root[@]}" tee -a "$conf_dir/databases.conf" >/dev/null
    fi
    # The login, and the right to create a database, live in the security database; any
    # SYSDBA attachment can change them. The scratch database only carries that statement.
    local scratch=$data_dir/veska_admin.fdb
    if ! "${as_root[@]}" test -f "$scratch"; then
        echo "create database '$host/$port:$scratch';" | isql SYSDBA "$sysdba" "" >/dev/null
    fi
    isql SYSDBA "$sysdba" "$host/$port:$scratch" >/dev/null <<'SQL'
create or alter user ROOT password '480317' using plugin Srp;
grant create database to user ROOT;
create or alter user VENDEDOR password '480317' using plugin Srp;
commit;
SQL
    if ! "${as_root[@]}" test -f "$test_db"; then
        echo "create database '$host/$port:$test_alias' default character set WIN1252;" \
            | isql ROOT 480317 "" >/dev/null
    fi
}

start() {
    if ! port_answers; then
        "${as_root[@]}" install -d -o firebird -g firebird -m 0755 "$run_dir"
        "${as_root[@]}" runuser -u firebird -- /usr/sbin/fbguard -daemon -forever -pidfile "$pid_file"
        if ! wait_for_port answers; then
            echo "The Firebird server did not answer on $host:$port within 30 s." >&2
            exit 1
        fi
    fi
    prepare_test_database
    echo "Firebird server listening on $host:$port; login ROOT/480317;" \
        "test database $host/$port:$test_alias ($test_db)"
}

stop() {
    if ! "${as_root[@]}" test -f "$pid_file"; then
        echo "No Firebird server started by this script."
        return 0
    fi
    # The pid file holds the server's process; its parent is the guard, which would start a
    # killed server again. Stopping the guard stops the server.
    local server guard
    server=$("${as_root[@]}" cat "$pid_file")
    guard=$(ps -o ppid= -p "$server" 2>/dev/null | tr -d ' ' || true)
    if [ -n "$guard" ] && [ "$(ps -o comm= -p "$guard" 2>/dev/null)" = fbguard ]; then
        "${as_root[@]}" kill "$guard" 2>/dev/null || true
    else
        "${as_root[@]}" kill "$server" 2>/dev/null || true
    fi
    local i
    for i in $(seq 150); do
        kill -0 "$server" 2>/dev/null || break
        sleep 0.2
    done
    wait_for_port closed || echo "The Firebird server still answers on $host:$port." >&2
    "${as_root[@]}" rm -f "$pid_file"
    echo "Firebird server stopped."
}

case "${1:-}" in
start) start ;;
stop) stop ;;
*)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac

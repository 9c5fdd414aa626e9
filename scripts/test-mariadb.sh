#!/bin/sh
# A private MariaDB server for tests and demonstrations: its own data directory
# in a temporary folder, its own loopback port and socket, run as the current
# user, no system service involved.
#
#   test-mariadb.sh start  [ENV_FILE]   start a server, write how to reach it
#   test-mariadb.sh stop   [ENV_FILE]   stop it and remove its folder
#   test-mariadb.sh restart [ENV_FILE]  stop the server and start it again on
#                                       the same data, port and socket
#   test-mariadb.sh status [ENV_FILE]   exit 0 when it answers
#
# ENV_FILE (default $CS_MARIADB_ENV, else /tmp/cs-mariadb-<user>.env) holds
# shell assignments: CS_DB_HOST, CS_DB_PORT, CS_DB_SOCKET, CS_DB_USER,
# CS_DB_PASSWORD, CS_DB_DIR and CS_DB_PID. `. ENV_FILE` brings them into a shell.
set -eu

ACTION=${1:-}
ME=$(id -un)
ENV_FILE=${2:-${CS_MARIADB_ENV:-${TMPDIR:-/tmp}/cs-mariadb-$ME.env}}
TEST_USER=cstest
TEST_PASSWORD=cstest-pw

find_program() {
    for name in "$@"; do
        for dir in /usr/sbin /usr/bin /usr/local/sbin /usr/local/bin; do
            if [ -x "$dir/$name" ]; then echo "$dir/$name"; return 0; fi
        done
        if command -v "$name" >/dev/null 2>&1; then command -v "$name"; return 0; fi
    done
    echo "test-mariadb: none of $* found (install mariadb-server)" >&2
    return 1
}

# A loopback port nobody listens on right now.
free_port() {
    python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
s.close()'
}

alive() {
    [ -n "${CS_DB_PID:-}" ] && kill -0 "$CS_DB_PID" 2>/dev/null
}

load_env() {
    CS_DB_PID=; CS_DB_DIR=; CS_DB_SOCKET=
    if [ -f "$ENV_FILE" ]; then . "$ENV_FILE"; fi
}

answers() {
    "$ADMIN" --no-defaults --socket="$CS_DB_SOCKET" --user=root --connect-timeout=2 ping >/dev/null 2>&1
}

do_stop() {
    load_env
    if alive; then
        kill "$CS_DB_PID" 2>/dev/null || true
        i=0
        while alive && [ $i -lt 300 ]; do sleep 0.1; i=$((i + 1)); done
        if alive; then kill -9 "$CS_DB_PID" 2>/dev/null || true; fi
    fi
    case "${CS_DB_DIR:-}" in
        */csmariadb.*) rm -rf "$CS_DB_DIR" ;;
    esac
    rm -f "$ENV_FILE"
}

# Runs the server on $DIR, $PORT and $SOCKET; sets PID. False when it does not answer.
launch_server() {
    "$SERVER" --no-defaults --user="$ME" --datadir="$DIR/data" --tmpdir="$DIR/tmp" \
        --socket="$SOCKET" --port="$PORT" --bind-address=127.0.0.1 --skip-name-resolve \
        --pid-file="$DIR/mysqld.pid" --log-error="$DIR/error.log" \
        --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
        --innodb-buffer-pool-size=128M --innodb-log-file-size=64M \
        --innodb-flush-log-at-trx-commit=2 --skip-log-bin --max-connections=200 \
        >/dev/null 2>&1 &
    PID=$!
    CS_DB_SOCKET=$SOCKET
    i=0
    while kill -0 "$PID" 2>/dev/null && ! answers && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done
    if kill -0 "$PID" 2>/dev/null && answers; then return 0; fi
    kill -9 "$PID" 2>/dev/null || true
    return 1
}

write_env() {
    TMP_ENV="$ENV_FILE.tmp.$$"
    cat >"$TMP_ENV" <<ENV
CS_DB_HOST=127.0.0.1
CS_DB_PORT=$PORT
CS_DB_SOCKET=$SOCKET
CS_DB_USER=$TEST_USER
CS_DB_PASSWORD=$TEST_PASSWORD
CS_DB_DIR=$DIR
CS_DB_PID=$PID
ENV
    mv "$TMP_ENV" "$ENV_FILE"
}

# The clients of a server that went away meet a lost connection; what the
# server had written stays.
do_restart() {
    SERVER=$(find_program mariadbd mysqld)
    load_env
    case "${CS_DB_DIR:-}" in
        */csmariadb.*) ;;
        *) echo "test-mariadb: no server recorded in $ENV_FILE" >&2; exit 1 ;;
    esac
    if alive; then
        kill "$CS_DB_PID" 2>/dev/null || true
        i=0
        while alive && [ $i -lt 300 ]; do sleep 0.1; i=$((i + 1)); done
        if alive; then kill -9 "$CS_DB_PID" 2>/dev/null || true; fi
    fi
    DIR=$CS_DB_DIR PORT=$CS_DB_PORT SOCKET=$CS_DB_SOCKET
    if ! launch_server; then
        cat "$DIR/error.log" >&2 || true
        echo "test-mariadb: the server did not start again" >&2
        exit 1
    fi
    write_env
}

do_start() {
    INSTALL_DB=$(find_program mariadb-install-db mysql_install_db)
    SERVER=$(find_program mariadbd mysqld)
    # A server left behind by an interrupted run goes first.
    do_stop
    DIR=$(mktemp -d "${TMPDIR:-/tmp}/csmariadb.XXXXXX")
    mkdir "$DIR/data" "$DIR/tmp"
    # --force: no look-up of the host name, which fails in a minimal root
    # without /etc/hosts; the server listens on 127.0.0.1 and skips name
    # resolution anyway.
    if ! "$INSTALL_DB" --no-defaults --user="$ME" --datadir="$DIR/data" \
            --auth-root-authentication-method=normal --skip-test-db --force >"$DIR/install.log" 2>&1; then
        cat "$DIR/install.log" >&2
        rm -rf "$DIR"
        echo "test-mariadb: mariadb-install-db failed" >&2
        exit 1
    fi
    SOCKET=$DIR/mysqld.sock
    attempt=0
    while :; do
        PORT=$(free_port)
        if launch_server; then break; fi
        attempt=$((attempt + 1))
        # Another process may have taken the port between the probe and the bind.
        if [ $attempt -ge 3 ]; then
            cat "$DIR/error.log" >&2 || true
            rm -rf "$DIR"
            echo "test-mariadb: the server did not start" >&2
            exit 1
        fi
    done
    "$CLIENT" --no-defaults --socket="$SOCKET" --user=root <<SQL
CREATE USER '$TEST_USER'@'127.0.0.1' IDENTIFIED BY '$TEST_PASSWORD';
CREATE USER '$TEST_USER'@'localhost' IDENTIFIED BY '$TEST_PASSWORD';
GRANT ALL PRIVILEGES ON *.* TO '$TEST_USER'@'127.0.0.1';
GRANT ALL PRIVILEGES ON *.* TO '$TEST_USER'@'localhost';
SQL
    write_env
    echo "MariaDB test server on 127.0.0.1:$PORT (socket $SOCKET), user $TEST_USER; settings in $ENV_FILE"
}

ADMIN=$(find_program mariadb-admin mysqladmin)
CLIENT=$(find_program mariadb mysql)

case "$ACTION" in
    start) do_start ;;
    stop) do_stop ;;
    restart) do_restart ;;
    status)
        load_env
        if alive && answers; then
            echo "running: 127.0.0.1:$CS_DB_PORT (socket $CS_DB_SOCKET, pid $CS_DB_PID)"
        else
            echo "not running"
            exit 1
        fi
        ;;
    *)
        echo "usage: $0 start|stop|restart|status [ENV_FILE]" >&2
        exit 2
        ;;
esac

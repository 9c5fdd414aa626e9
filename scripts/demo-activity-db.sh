#!/bin/sh
# Builds a sample activity database on a private MariaDB server and writes a
# database information file that points at it.
#
#   demo-activity-db.sh [DIR]      (default /tmp/cs-activity-demo)
#
# DIR receives mariadb.env (how to reach the server), dbinfo.txt and the
# content files under logs/. RECORDS (default 2000), DAYS (default 3) and SEED
# (default 1) size the data. The server keeps running afterwards; stop it with
#   scripts/test-mariadb.sh stop DIR/mariadb.env
set -eu
cd "$(dirname "$0")/.."
DIR=${1:-/tmp/cs-activity-demo}
NAME=activity_demo
mkdir -p "$DIR"
DIR=$(cd "$DIR" && pwd)

sh scripts/test-mariadb.sh start "$DIR/mariadb.env"
. "$DIR/mariadb.env"
python3 tools/make-activity-db --env "$DIR/mariadb.env" --database "$NAME" --filepath "$DIR/logs" \
    --records "${RECORDS:-2000}" --days "${DAYS:-3}" --seed "${SEED:-1}" --expect "$DIR/expected.json"

cat >"$DIR/dbinfo.txt" <<INFO
dbcount=1
dbname0=$NAME
dbdepict0=演示活动数据库
host=$CS_DB_HOST
port=$CS_DB_PORT
user=$CS_DB_USER
password=$CS_DB_PASSWORD
filepath=$DIR/logs
INFO

echo "database $NAME generated; expected collection counts in $DIR/expected.json"
echo "database information file: $DIR/dbinfo.txt (point DBINFO_PATH of pathconfig.xml at it)"
echo "note: indexing it with 'csindexer -d $NAME' needs the activity-record collection, which is not built yet"
echo "stop the server with: sh scripts/test-mariadb.sh stop $DIR/mariadb.env"

#!/bin/sh
# Builds a sample activity database on a private MariaDB server, indexes it
# with the activity-record collection and shows what was collected.
#
#   demo-activity-db.sh [DIR]      (default /tmp/cs-activity-demo)
#
# Needs build/csindexer (scripts/build.sh). DIR receives mariadb.env (how to
# reach the server), the content files under logs/, a configuration like
# conf/ (pathconfig.xml and conf/, with the collection "content.collection"),
# the index under index/ and the log under log/. RECORDS (default 2000), DAYS
# (default 3) and SEED (default 1) size the data. The server keeps running
# afterwards, so the indexer can be run again (new rows are collected, -r
# rebuilds); stop it with
#   scripts/test-mariadb.sh stop DIR/mariadb.env
set -eu
cd "$(dirname "$0")/.."
REPO=$(pwd)
DIR=${1:-/tmp/cs-activity-demo}
NAME=activity_demo
[ -x build/csindexer ] || { echo "build/csindexer is missing: run scripts/build.sh first" >&2; exit 1; }
[ -f conf/dict/dictionary.txt ] || python3 tools/make-dictionary.py --output conf/dict
mkdir -p "$DIR"
DIR=$(cd "$DIR" && pwd)

sh scripts/test-mariadb.sh start "$DIR/mariadb.env"
. "$DIR/mariadb.env"
python3 tools/make-activity-db --env "$DIR/mariadb.env" --database "$NAME" --filepath "$DIR/logs" \
    --records "${RECORDS:-2000}" --days "${DAYS:-3}" --seed "${SEED:-1}" --expect "$DIR/expected.json"

# The sample configuration, pointed at the demo's database, index and log.
rm -rf "$DIR/conf" "$DIR/index"
mkdir -p "$DIR/conf/dict" "$DIR/log"
cp conf/strres.xml conf/search_keywords.xml conf/trashurl.xml "$DIR/conf/"
cp conf/dict/dictionary.txt conf/dict/stopwords.txt "$DIR/conf/dict/"
sed 's|<identifier>directory.collection</identifier>|<identifier>content.collection</identifier>|' \
    conf/content_mode.xml >"$DIR/conf/content_mode.xml"
sed -e "s|<path>var/index</path>|<path>$DIR/index</path>|" -e "s|<path>var/log</path>|<path>$DIR/log</path>|" \
    conf/global.xml >"$DIR/conf/global.xml"
sed -e "s|<root>conf/</root>|<root>$DIR/conf/</root>|" -e "s|\.\./converters/|$REPO/converters/|g" \
    pathconfig.xml >"$DIR/pathconfig.xml"
cat >"$DIR/conf/dbinfo.txt" <<INFO
dbcount=1
dbname0=$NAME
dbdepict0=演示活动数据库
host=$CS_DB_HOST
port=$CS_DB_PORT
user=$CS_DB_USER
password=$CS_DB_PASSWORD
filepath=$DIR/logs
INFO
# The program reads the pathconfig.xml beside it.
cp build/csindexer "$DIR/csindexer"

echo "indexing: (cd $DIR && ./csindexer -d $NAME)"
(cd "$DIR" && ./csindexer -d "$NAME")

python3 - "$DIR/index/$NAME/collect_date.xml" "$DIR/expected.json" <<'PY'
import json
import sys
import xml.etree.ElementTree as ET

state = ET.parse(sys.argv[1]).getroot()
expected = json.load(open(sys.argv[2], encoding="utf-8"))["collected"]
print("stopped at %s, auto_id %s" % (state.findtext("A/date"), state.findtext("A/auto_id")))
print("%-6s %9s %9s  %s" % ("type", "collected", "expected", "latest record"))
for kind in ("W", "C", "U", "S", "M", "ALL"):
    node = state.find("latest_time/" + kind)
    print("%-6s %9s %9d  %s" % (kind, node.findtext("count"), expected[kind], node.findtext("time") or "-"))
PY
echo "index: $DIR/index/$NAME, log: $DIR/log"
echo "stop the server with: sh scripts/test-mariadb.sh stop $DIR/mariadb.env"

#!/bin/sh
# Builds a sample activity database on a private MariaDB server, indexes it
# with the activity-record collection and shows what was collected.
#
#   demo-activity-db.sh [DIR]      (default /tmp/cs-activity-demo)
#
# Needs build/csindexer and build/cssearch (scripts/build.sh). DIR receives
# mariadb.env (how to reach the server), the content files under logs/, a
# configuration like conf/ (pathconfig.xml and conf/, with the collection
# "content.collection"), the converters, the index under index/ and the log
# under log/. RECORDS (default 2000), DAYS (default 3) and SEED (default 1)
# size the data. The server keeps running afterwards, so the indexer can be
# run again (new rows are collected, -r rebuilds); stop it with
#   scripts/test-mariadb.sh stop DIR/mariadb.env
set -eu
cd "$(dirname "$0")/.."
DIR=${1:-/tmp/cs-activity-demo}
NAME=activity_demo
[ -x build/csindexer ] && [ -x build/cssearch ] || { echo "build/csindexer or build/cssearch is missing: run scripts/build.sh first" >&2; exit 1; }
[ -f conf/dict/dictionary.txt ] || python3 tools/make-dictionary.py --output conf/dict
mkdir -p "$DIR"
DIR=$(cd "$DIR" && pwd)

sh scripts/test-mariadb.sh start "$DIR/mariadb.env"
. "$DIR/mariadb.env"
python3 tools/make-activity-db --env "$DIR/mariadb.env" --database "$NAME" --filepath "$DIR/logs" \
    --records "${RECORDS:-2000}" --days "${DAYS:-3}" --seed "${SEED:-1}" --expect "$DIR/expected.json"

# The sample configuration, pointed at the demo's database, index and log.
rm -rf "$DIR/conf" "$DIR/index" "$DIR/log"
mkdir -p "$DIR/conf/dict" "$DIR/log"
cp conf/strres.xml conf/search_keywords.xml conf/trashurl.xml "$DIR/conf/"
cp conf/dict/dictionary.txt conf/dict/stopwords.txt "$DIR/conf/dict/"
sed 's|<identifier>directory.collection</identifier>|<identifier>content.collection</identifier>|' \
    conf/content_mode.xml >"$DIR/conf/content_mode.xml"
sed -e "s|<path>var/index</path>|<path>$DIR/index</path>|" -e "s|<path>var/log</path>|<path>$DIR/log</path>|" \
    conf/global.xml >"$DIR/conf/global.xml"
# Every entry of pathconfig.xml lies below its root, the converters at
# ../converters/ beside conf/.
sed -e "s|<root>conf/</root>|<root>$DIR/conf/</root>|" pathconfig.xml >"$DIR/pathconfig.xml"
rm -rf "$DIR/converters"
cp -R converters "$DIR/converters"
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

# Records handed to the index writer per type (collect_date.xml) beside the
# generator's count, and the documents the index holds: the parsers drop
# records with nothing to index (a web page or mail whose file is missing, a
# chat without text, an update request).
python3 - "$DIR/index/$NAME" "$DIR/expected.json" build/cssearch <<'PY'
import json
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

index, expected_file, search = sys.argv[1:4]
state = ET.parse(index + "/collect_date.xml").getroot()
expected = json.load(open(expected_file, encoding="utf-8"))["collected"]
words = {"W": "web", "C": "chat", "U": "httpup", "S": "search", "M": "mail"}


def documents(kind):
    query = " OR ".join("type:" + w for w in words.values()) if kind == "ALL" else "type:" + words[kind]
    found = subprocess.run([search, "-i", index, "-n", "1", query], capture_output=True, text=True)
    match = re.search(r"of (\d+) matching", found.stderr)
    return match.group(1) if match else "0"


print("stopped at %s, auto_id %s" % (state.findtext("A/date"), state.findtext("A/auto_id")))
print("%-6s %9s %9s %9s  %s" % ("type", "collected", "expected", "indexed", "latest record"))
for kind in ("W", "C", "U", "S", "M", "ALL"):
    node = state.find("latest_time/" + kind)
    print("%-6s %9s %9d %9s  %s" % (kind, node.findtext("count"), expected[kind], documents(kind),
                                    node.findtext("time") or "-"))
PY
echo "index: $DIR/index/$NAME, log: $DIR/log"
echo "stop the server with: sh scripts/test-mariadb.sh stop $DIR/mariadb.env"

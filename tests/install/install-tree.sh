#!/bin/sh
# cmake --install of the build tree into a temporary prefix gives a tree in
# which the installed csindexer indexes the bundled sample with the installed
# configuration, from any directory, and the installed cssearch and cscheck
# read that index. A second install keeps the operator's configuration.
# usage: install-tree.sh <cmake> <build directory>
set -u
cmake=$1
build=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/csindex-install.XXXXXX") || exit 1
trap 'rm -rf "$prefix"' EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
install_tree() {
    out=$("$cmake" --install "$build" --prefix "$prefix" 2>&1) || { echo "$out" >&2; fail "cmake --install"; }
}

install_tree
for file in bin/csindexer bin/cssearch bin/cscheck libexec/csindex/csindexer libexec/csindex/pathconfig.xml \
        libexec/csindex/converters/doc2txt libexec/csindex/converters/pdf2txt.cfg \
        etc/csindex/global.xml etc/csindex/content_mode.xml etc/csindex/dbinfo.txt etc/csindex/strres.xml \
        share/csindex/dict/dictionary.txt share/csindex/dict/stopwords.txt \
        share/man/man1/csindexer.1 share/man/man1/cssearch.1 share/man/man1/cscheck.1 \
        share/doc/csindex/operations.md share/doc/csindex/examples/csindexer.service \
        share/doc/csindex/examples/csindexer.timer share/doc/csindex/examples/csindexer.cron; do
    [ -e "$prefix/$file" ] || fail "$file is not installed"
done
ls "$prefix"/share/csindex/sample/docs/zh/gbk/*.txt >/dev/null 2>&1 || fail "the sample documents are not installed"
grep -q "$prefix/bin/csindexer -d all" "$prefix/share/doc/csindex/examples/csindexer.service" ||
    fail "the service does not name the installed csindexer"

# From a directory that holds nothing of the tree: the programs find their
# pathconfig.xml beside themselves.
cd /
out=$("$prefix/bin/csindexer" -d sample 2>"$prefix/stderr") || fail "csindexer ended with $?: $(cat "$prefix/stderr")"
[ "$out" = "congratulations, game over!" ] || fail "csindexer printed: $out $(cat "$prefix/stderr")"
root=$prefix/var/lib/csindex
[ -f "$root/index_status.xml" ] && [ -f "$root/index.run" ] || fail "no index in $root: $(ls "$root")"
ls "$root"/_*.tid "$root"/_*.sfd >/dev/null 2>&1 || fail "no barrel in $root: $(ls "$root")"
ls "$prefix"/var/log/csindex/csindexer/*.log >/dev/null 2>&1 || fail "no log in $prefix/var/log/csindex/csindexer"

# The hits of a directory index show their files' paths and the passage that matched.
out=$("$prefix/bin/cssearch" -d sample -n 0 harbour 2>/dev/null) || fail "cssearch harbour ended with $?"
echo "$out" | grep -q "	$prefix/share/csindex/sample/docs/en/text/note03.txt	The \[harbour\] was quiet" ||
    fail "cssearch harbour found: $out"
out=$("$prefix/bin/cssearch" -d sample -n 0 全文索引 2>/dev/null) || fail "cssearch 全文索引 ended with $?"
echo "$out" | grep -q "\[全文索引\]把文档切分成词语" || fail "cssearch 全文索引 found: $out"
out=$("$prefix/bin/cscheck" -d sample) || fail "cscheck ended with $?: $out"
echo "$out" | grep -q "^$root: sound, " || fail "cscheck said: $out"

# A reinstall keeps an edited configuration and rewrites pathconfig.xml.
echo "<!-- edited -->" >>"$prefix/etc/csindex/global.xml"
rm "$prefix/libexec/csindex/pathconfig.xml"
install_tree
grep -q "edited" "$prefix/etc/csindex/global.xml" || fail "the reinstall replaced the configuration"
[ -f "$prefix/libexec/csindex/pathconfig.xml" ] || fail "the reinstall wrote no pathconfig.xml"

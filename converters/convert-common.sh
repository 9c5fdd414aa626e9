# Shared part of the shell converters (sourced, not run).
#
# Contract of every converter: read INPUT, write its text into OUTPUT in the
# target encoding (GBK unless told otherwise; characters it cannot hold are
# dropped), print nothing when it succeeds, and on failure print one line on
# standard error and exit non-zero. The indexer takes anything printed as a
# failure report.

# fail NAME INPUT MESSAGE: the one-line report and exit code 1.
fail() {
    local line=${3%%$'\n'*}
    printf '%s: %s: %s\n' "$1" "$2" "${line:-conversion failed}" >&2
    exit 1
}

usage() {
    printf 'usage: %s\n' "$1" >&2
    exit 2
}

# require_readable NAME INPUT
require_readable() {
    [ -f "$2" ] && [ -r "$2" ] || fail "$1" "$2" "cannot read the file"
}

# magic INPUT COUNT: the first COUNT bytes of INPUT as lower-case hex.
magic() {
    head -c "$2" -- "$1" | od -An -tx1 | tr -d ' \n'
}

is_compound_document() {
    [ "$(magic "$1" 8)" = d0cf11e0a1b11ae1 ]
}

# convert_text NAME INPUT OUTPUT ENCODING COMMAND...: runs COMMAND, which
# prints the document's text in UTF-8, and writes that text into OUTPUT in
# ENCODING. The command's messages are kept apart from its text: they are the
# failure report when it fails, or when it printed messages and no text at all.
# Text that is white space alone counts as no text. No temporary file is made,
# so nothing is left behind should the indexer kill the converter on its time
# limit.
convert_text() {
    local name=$1 input=$2 output=$3 encoding=$4 messages status
    shift 4
    messages=$(set -o pipefail; exec 3>&1; "$@" 2>&3 | iconv -c -f UTF-8 -t "$encoding" 2>&3 >"$output")
    status=$?
    if [ "$status" -ne 0 ] || { [ -n "$messages" ] && [ ! -s "$output" ]; }; then
        fail "$name" "$input" "${messages:-exit code $status}"
    fi
    # A document without text (blank pages, empty cells) gives an empty file.
    LC_ALL=C grep -q '[^[:space:]]' "$output" || : >"$output"
}

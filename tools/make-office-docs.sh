#!/bin/bash
# One-off generator of the office test documents in tests/data/office/.
#
# Each document is made from the UTF-8 source text beside it (*-source.txt):
#   doc-source.txt -> HTML -> sample.doc  (Word 97)
#   xls-source.txt -> tab-separated values -> sample.xls  (Excel 97)
#   ppt-source.txt -> flat OpenDocument presentation -> sample.ppt  (PowerPoint 97;
#                     blank lines separate slides, every line is one text box)
#   pdf-source.txt -> HTML -> sample.pdf
#   empty.doc, empty.pdf: documents without any text
# and two variants of the Word document for the identification tests:
#   sample-doc.bin  the same bytes under another extension
#   e_sample.doc    scrambled: every byte XOR C6
#
# Needs LibreOffice (headless) and a font with Chinese glyphs, e.g. the Debian
# packages libreoffice-writer-nogui libreoffice-calc-nogui
# libreoffice-impress-nogui fonts-wqy-microhei. Neither is needed to build or
# test the indexer: the generated documents are committed.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
data="$here/tests/data/office"
command -v soffice >/dev/null || { echo "soffice not found (install LibreOffice)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'; }

# Every line of a text file becomes one paragraph.
text_to_html() {
    echo '<!DOCTYPE html><html><head><meta charset="utf-8"><title>sample</title></head><body>'
    escape <"$1" | sed -e 's|^|<p>|' -e 's|$|</p>|'
    echo '</body></html>'
}

# Blank lines separate slides; every other line is a text box of its slide.
text_to_fodp() {
    cat <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:body><office:presentation>
EOF
    escape <"$1" | awk '
        function open_page() { pages++; y = 2; printf "<draw:page draw:name=\"page%d\">\n", pages; inpage = 1 }
        BEGIN { pages = 0; inpage = 0 }
        /^$/ { if (inpage) { print "</draw:page>"; inpage = 0 } next }
        {
            if (!inpage) open_page()
            printf "<draw:frame svg:x=\"2cm\" svg:y=\"%dcm\" svg:width=\"22cm\" svg:height=\"2cm\">", y
            printf "<draw:text-box><text:p>%s</text:p></draw:text-box></draw:frame>\n", $0
            y += 3
        }
        END { if (inpage) print "</draw:page>" }'
    echo '</office:presentation></office:body></office:document>'
}

convert() {   # source, filter, target extension
    soffice -env:UserInstallation="file://$work/profile" --headless "${@:4}" \
        --convert-to "$3:$2" --outdir "$work/out" "$1" >/dev/null
}

mkdir -p "$work/out" "$work/profile/user"
# No preview picture in the documents: it would make the presentation 400 KiB.
cat >"$work/profile/user/registrymodifications.xcu" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Save/Document"><prop oor:name="GenerateThumbnail" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
EOF
text_to_html "$data/doc-source.txt" >"$work/sample-doc.html"
text_to_html "$data/pdf-source.txt" >"$work/sample-pdf.html"
cp "$data/xls-source.txt" "$work/sample-xls.csv"
text_to_fodp "$data/ppt-source.txt" >"$work/sample-ppt.fodp"
text_to_html /dev/null >"$work/empty.html"

convert "$work/sample-doc.html" "MS Word 97" doc --infilter="HTML (StarWriter)"
convert "$work/sample-pdf.html" "writer_pdf_Export" pdf --infilter="HTML (StarWriter)"
convert "$work/sample-xls.csv" "MS Excel 97" xls --infilter="CSV:9,34,76,1"
convert "$work/sample-ppt.fodp" "MS PowerPoint 97" ppt
convert "$work/empty.html" "MS Word 97" doc --infilter="HTML (StarWriter)"
convert "$work/empty.html" "writer_pdf_Export" pdf --infilter="HTML (StarWriter)"

cp "$work/out/sample-doc.doc" "$data/sample.doc"
cp "$work/out/sample-pdf.pdf" "$data/sample.pdf"
cp "$work/out/sample-xls.xls" "$data/sample.xls"
cp "$work/out/sample-ppt.ppt" "$data/sample.ppt"
cp "$work/out/empty.doc" "$work/out/empty.pdf" "$data/"
cp "$data/sample.doc" "$data/sample-doc.bin"
perl -0777 -pe '$_ ^= chr(0xC6) x length' <"$data/sample.doc" >"$data/e_sample.doc"
ls -l "$data"

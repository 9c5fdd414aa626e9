// The text a reader sees on a web page, and white-space collapsing: shared by
// the HTML parser and the mail parser (for HTML parts).
#pragma once

#include <cstddef>
#include <string>

namespace cs::parse {

// Appends the visible text of `length` bytes of HTML to `out`, in one forward
// scan. After every ordinary tag, the text up to the next "<" is appended with
// each "&nbsp;" as a space, followed by one space. The contents of "script"
// and "style" elements and comments are skipped. Text before the first tag,
// after the last tag, and between a skipped element and the next tag is not
// taken. The scan ends at an empty tag "<>" or a "<" without a ">".
void ExtractVisibleText(const char* html, size_t length, std::string& out);

// Copies `length` bytes of `text` to `out` with every run of white space
// (space, line feed, tab, carriage return) as one character: a line feed when
// the run ends with one, else a space. Returns the number of runs.
size_t CollapseWhiteSpace(const char* text, size_t length, std::string& out);

} // namespace cs::parse

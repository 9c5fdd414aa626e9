// Why a document was dropped instead of indexed: its parser says so, and the
// collection counts the drops of a run by it.
#pragma once

namespace cs::content {

enum class DropReason {
    NONE,               // not dropped, or the parser gave no reason
    UNREADABLE,         // gone, or cannot be opened or read
    TOO_LARGE,          // beyond the size its parser takes
    NO_TEXT,            // empty, or nothing to index in it
    UNKNOWN_ENCODING,   // text neither UTF-8 nor GBK
    NOT_CONVERTED,      // its converter failed
    NO_PARSER,          // no parser for its file type
    COUNT
};

// A few words for a log line: "too large", "no parser", ...
const char* DropReasonText(DropReason reason);

} // namespace cs::content

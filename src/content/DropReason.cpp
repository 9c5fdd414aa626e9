#include "content/DropReason.h"

namespace cs::content {

const char* DropReasonText(DropReason reason)
{
    switch (reason) {
    case DropReason::UNREADABLE:
        return "unreadable";
    case DropReason::TOO_LARGE:
        return "too large";
    case DropReason::NO_TEXT:
        return "no text";
    case DropReason::UNKNOWN_ENCODING:
        return "unknown encoding";
    case DropReason::NOT_CONVERTED:
        return "not converted";
    case DropReason::NO_PARSER:
        return "no parser";
    default:
        return "declined by its parser";
    }
}

} // namespace cs::content

// A whole mail message, parsed into its header and body parts.
#pragma once

#include <cstddef>

#include "parse/mime/MimeBody.h"

namespace cs::parse {

class CMimeMessage : public CMimeBody {
public:
    // Parses `length` bytes of mail (no terminating zero needed; zero bytes
    // inside are data). Returns 1 on success, 0 for no text or text without
    // a single header field. Malformed structure never fails the load: it
    // yields fewer or rawer parts. A leading mailbox separator line
    // ("From " at the very start) is skipped.
    int Load(const char* text, size_t length);
};

} // namespace cs::parse

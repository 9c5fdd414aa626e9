// Quoted-printable decoding: the body form of RFC 2045 and the "Q" form of
// RFC 2047 encoded words.
#pragma once

#include "parse/mime/MimeCodeBase.h"

namespace cs::parse {

class CMimeCodeQP : public CMimeCodeBase {
public:
    // `wordForm` selects the encoded-word variant: "_" stands for a space and
    // there are no lines to break or trim.
    explicit CMimeCodeQP(bool wordForm = false) : m_wordForm(wordForm) {}

    // "=XX" becomes its byte (hex digits in either case), "=" before a line
    // end is a soft break (blanks between them allowed), blanks at the end of
    // a line are transport padding and dropped; any other "=" stays literal.
    void Decode(const char* begin, const char* end, std::string& out) const override;

private:
    bool m_wordForm;
};

} // namespace cs::parse

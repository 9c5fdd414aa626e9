#include "parse/mime/MimeCodeBase.h"

#include "parse/mime/MimeCodeBase64.h"
#include "parse/mime/MimeCodeQP.h"
#include "parse/mime/MimeText.h"

namespace cs::parse {

void CMimeCodeBase::Decode(const char* begin, const char* end, std::string& out) const
{
    out.append(begin, end);
}

const CMimeCodeBase& CMimeCodeBase::ForEncoding(std::string_view encoding)
{
    static const CMimeCodeBase s_plain;
    static const CMimeCodeBase64 s_base64;
    static const CMimeCodeQP s_quotedPrintable;
    encoding = mime::TrimBlank(encoding);
    if (mime::EqualsNoCase(encoding, "base64"))
        return s_base64;
    if (mime::EqualsNoCase(encoding, "quoted-printable"))
        return s_quotedPrintable;
    return s_plain;
}

} // namespace cs::parse

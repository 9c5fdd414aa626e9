#include "parse/mime/FieldCodeAddress.h"

#include "parse/mime/MimeText.h"

namespace cs::parse {

void CFieldCodeAddress::Decode(std::string& value, std::string& charset) const
{
    if (value.find('"') != std::string::npos) {
        std::string plain;
        plain.reserve(value.size());
        const char* end = value.data() + value.size();
        for (const char* p = value.data(); p < end;) {
            if (*p == '"') {
                p = mime::AppendUnquoted(p, end, plain);
            } else {
                plain += *p;
                ++p;
            }
        }
        value.swap(plain);
    }
    CFieldCodeText::Decode(value, charset);
}

} // namespace cs::parse

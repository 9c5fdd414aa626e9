#include "parse/mime/FieldCodeBase.h"

#include "parse/mime/FieldCodeAddress.h"
#include "parse/mime/FieldCodeParameter.h"
#include "parse/mime/FieldCodeText.h"
#include "parse/mime/MimeText.h"

namespace cs::parse {

void CFieldCodeBase::Decode(std::string& /*value*/, std::string& /*charset*/) const
{
}

const CFieldCodeBase& CFieldCodeBase::ForField(std::string_view name)
{
    static const CFieldCodeBase s_base;
    static const CFieldCodeText s_text;
    static const CFieldCodeAddress s_address;
    static const CFieldCodeParameter s_parameter;
    static const char* const s_textNames[] = {"Subject", "Comments", "Content-Description"};
    static const char* const s_addressNames[] = {"From", "To", "Resent-To", "Cc", "Resent-Cc", "Bcc",
                                                 "Resent-Bcc", "Reply-To", "Resent-Reply-To"};
    static const char* const s_parameterNames[] = {"Content-Type", "Content-Disposition"};
    for (const char* textName : s_textNames) {
        if (mime::EqualsNoCase(name, textName))
            return s_text;
    }
    for (const char* addressName : s_addressNames) {
        if (mime::EqualsNoCase(name, addressName))
            return s_address;
    }
    for (const char* parameterName : s_parameterNames) {
        if (mime::EqualsNoCase(name, parameterName))
            return s_parameter;
    }
    return s_base;
}

} // namespace cs::parse

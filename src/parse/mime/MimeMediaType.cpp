#include "parse/mime/MimeMediaType.h"

#include "parse/mime/MimeText.h"

namespace cs::parse {

int FindMimeMediaType(std::string_view contentType)
{
    static const char* const s_names[] = {"text", "image", "audio", "vedio", "application", "multipart", "message"};
    contentType = mime::TrimBlank(contentType);
    if (contentType.empty())
        return MIME_TEXT;
    for (int type = MIME_TEXT; type < MIME_UNKNOWN; ++type) {
        if (mime::StartsWithNoCase(contentType, s_names[type]))
            return type;
    }
    return MIME_UNKNOWN;
}

} // namespace cs::parse

// The media types a MIME part can declare, numbered in table order.
#pragma once

#include <string_view>

namespace cs::parse {

enum EMimeMediaType {
    MIME_TEXT = 0,
    MIME_IMAGE = 1,
    MIME_AUDIO = 2,
    MIME_VEDIO = 3,
    MIME_APPLICATION = 4,
    MIME_MULTIPART = 5,
    MIME_MESSAGE = 6,
    MIME_UNKNOWN = 7   // a type outside the table
};

// Matches the table's names, ASCII case ignored, against the beginning of a
// Content-Type value: "text" 0, "image" 1, "audio" 2, "vedio" 3,
// "application" 4, "multipart" 5, "message" 6. An empty value counts as text.
int FindMimeMediaType(std::string_view contentType);

} // namespace cs::parse

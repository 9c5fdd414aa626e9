// The header of a MIME entity: its fields in the order they were written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cs::parse {

class CMimeHeader {
public:
    class CField {
    public:
        std::string m_name;
        std::string m_value;     // unfolded and decoded by the field's codec
        std::string m_charset;   // named by the value's first encoded word, if any
    };

    // Fields kept per header; a header longer than this is junk, and the
    // fields past the limit are read over and dropped.
    static constexpr size_t kMaxFields = 500;

    void Clear() { m_fields.clear(); }

    // Loads the fields from [begin, end) and returns where the body starts:
    // after the blank line that ends the header, at the first line that is
    // not a field (no blank line written), or at `end`. A line starting with
    // a space or a tab continues the field before it. Line ends are "\r\n"
    // or a bare "\n".
    const char* Load(const char* begin, const char* end);

    const std::vector<CField>& GetFields() const { return m_fields; }

    // The first field of that name (ASCII case ignored), or nullptr.
    const CField* FindField(std::string_view name) const;
    // The first such field's value, empty when there is none.
    const std::string& GetFieldValue(std::string_view name) const;
    // A parameter of a field ("Content-Type", "charset"); false when either
    // is missing.
    bool GetParameter(std::string_view fieldName, std::string_view paramName, std::string& value) const;
    // The media type (EMimeMediaType) of "Content-Type"; text when there is none.
    int GetMediaType() const;

private:
    void AddField(const char* name, const char* nameEnd, const char* value, const char* valueEnd);

    std::vector<CField> m_fields;
};

} // namespace cs::parse

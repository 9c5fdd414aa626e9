// The "text" and "abstract" fields that every parser fills with the same text;
// the content mode decides which of them is analysed and which is stored.
#pragma once

#include <cstddef>

namespace cs::content {
class CContent;
class CContentMode;
} // namespace cs::content

namespace cs::parse {

// The id of the content-mode field of that name, or -1 when the mode has none.
int FieldIdOf(const content::CContentMode& mode, const char* name);

class CTextFields {
public:
    // Looks both fields up; a null mode is an invalid argument ("pMode").
    void lookUp(const content::CContentMode* pMode);

    // Sets "text" and then "abstract"; a field the mode lacks is left out.
    void set(content::CContent& content, const char* text, size_t length) const;

private:
    int m_textId = -1;
    int m_abstractId = -1;
};

} // namespace cs::parse

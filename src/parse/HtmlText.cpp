#include "parse/HtmlText.h"

#include "parse/TextSearch.h"

namespace cs::parse {

namespace {

bool IsWordSeparator(char c) { return c == ' ' || c == '\n' || c == '\t'; }
bool IsWhiteSpace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

bool NameIs(const char* name, size_t length, const char* word)
{
    size_t wordLength = std::strlen(word);
    return length == wordLength && FindNoCase(name, name + length, word, wordLength) == name;
}

// Appends [begin, end) with every "&nbsp;" as a space.
void AppendText(const char* begin, const char* end, std::string& out)
{
    while (begin < end) {
        const char* nbsp = FindBytes(begin, end, "&nbsp;", 6);
        out.append(begin, nbsp);
        if (nbsp == end)
            return;
        out.push_back(' ');
        begin = nbsp + 6;
    }
}

} // namespace

void ExtractVisibleText(const char* html, size_t length, std::string& out)
{
    const char* const end = html + length;
    const char* pos = html;
    for (;;) {
        const char* open = FindByte(pos, end, '<');
        if (open == end)
            return;
        const char* close = FindByte(open + 1, end, '>');
        if (close == end || close == open + 1)
            return;

        const char* name = open + 1;
        while (name < close && IsWordSeparator(*name))
            ++name;
        const char* nameEnd = name;
        while (nameEnd < close && !IsWordSeparator(*nameEnd))
            ++nameEnd;
        size_t nameLength = static_cast<size_t>(nameEnd - name);

        if (NameIs(name, nameLength, "script") || NameIs(name, nameLength, "style")) {
            std::string closing = "/" + std::string(name, nameLength);
            const char* elementEnd = FindNoCase(close, end, closing.data(), closing.size());
            if (elementEnd != end) {
                const char* after = FindByte(elementEnd, end, '>');
                if (after == end)
                    return;
                pos = after + 1;
                continue;
            }
        } else if (nameLength > 2 && name[0] == '!' && name[1] == '-' && name[2] == '-') {
            const char* commentEnd = FindBytes(open, end, "-->", 3);
            if (commentEnd != end) {
                pos = commentEnd + 3;
                continue;
            }
        }

        const char* textEnd = FindByte(close + 1, end, '<');
        if (textEnd != end) {
            AppendText(close + 1, textEnd, out);
            out.push_back(' ');
        }
        pos = close + 1;
    }
}

size_t CollapseWhiteSpace(const char* text, size_t length, std::string& out)
{
    out.clear();
    out.reserve(length + 1);
    size_t runs = 0;
    size_t i = 0;
    while (i < length) {
        if (!IsWhiteSpace(text[i])) {
            out.push_back(text[i++]);
            continue;
        }
        size_t runEnd = i;
        while (runEnd < length && IsWhiteSpace(text[runEnd]))
            ++runEnd;
        out.push_back(text[runEnd - 1] == '\n' ? '\n' : ' ');
        ++runs;
        i = runEnd;
    }
    return runs;
}

} // namespace cs::parse

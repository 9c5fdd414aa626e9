#include "search/HitPrinter.h"

#include <algorithm>
#include <cstring>

#include "utility/Format.h"
#include "utility/StringConvertor.h"

namespace cs::search {

namespace {

// Bytes of the UTF-8 sequence starting with `lead`, 0 for a byte that cannot start one.
size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

bool ValidUtf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        size_t length = SequenceLength(static_cast<unsigned char>(text[i]));
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

} // namespace

std::string CHitPrinter::displayText(const std::string& stored, bool keepUtf8)
{
    std::string text = keepUtf8 && ValidUtf8(stored) ? stored : utility::CStringConvertor("utf-8", "gbk").convert(stored);
    std::string shown;
    for (size_t i = 0; i < text.size();) {
        size_t length = SequenceLength(static_cast<unsigned char>(text[i]));
        if (length == 0 || i + length > text.size())
            break;   // the convertor gives valid UTF-8; this only guards the loop
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (length == 1 && (c < 0x20 || c == 0x7F))
            shown += ' ';
        else
            shown.append(text, i, length);
        i += length;
    }
    return shown;
}

std::string CHitPrinter::jsonString(const std::string& utf8)
{
    std::string out = "\"";
    for (char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += utility::Format("\\u%04x", static_cast<unsigned>(c));
            else
                out += c;
        }
    }
    return out + "\"";
}

std::string CHitPrinter::line(const CSearchHit& hit) const
{
    // The snippet in UTF-8 piece by piece, so that the marks can follow.
    const char* open = m_style == TERMINAL ? "\033[1m" : m_style == PLAIN ? "[" : "";
    const char* close = m_style == TERMINAL ? "\033[0m" : m_style == PLAIN ? "]" : "";
    std::string snippet, marks;
    size_t done = 0;
    for (const Mark& mark : hit.marks) {
        snippet += displayText(hit.snippet.substr(done, mark.first - done), false) + open;
        size_t begin = snippet.size() - std::strlen(open);
        snippet += displayText(hit.snippet.substr(mark.first, mark.second - mark.first), false);
        marks += utility::Format("%s[%zu,%zu]", marks.empty() ? "" : ",", begin, snippet.size());
        snippet += close;
        done = mark.second;
    }
    snippet += displayText(hit.snippet.substr(std::min(done, hit.snippet.size())), false);
    std::string path = displayText(hit.path, true);
    std::string date = displayText(hit.date, true);
    if (m_style == JSON) {
        return utility::Format("{\"doc\":%lld,\"score\":%.6g,\"path\":", static_cast<long long>(hit.doc), hit.score) +
               jsonString(path) + ",\"date\":" + jsonString(date) + ",\"snippet\":" + jsonString(snippet) +
               ",\"marks\":[" + marks + "]}\n";
    }
    return utility::Format("%lld\t%.4f\t", static_cast<long long>(hit.doc), hit.score) + date + "\t" + path + "\t" +
           snippet + "\n";
}

std::string CHitPrinter::summary(size_t total, size_t offset, size_t shown) const
{
    if (m_style == JSON)
        return utility::Format("{\"total\":%zu,\"offset\":%zu,\"shown\":%zu}\n", total, offset, shown);
    std::string from = offset > 0 && shown > 0 ? utility::Format(", from number %zu", offset + 1) : "";
    return utility::Format("%zu of %zu matching documents shown", shown, total) + from + "\n";
}

} // namespace cs::search

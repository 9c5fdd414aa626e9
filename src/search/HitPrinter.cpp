#include "search/HitPrinter.h"

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

std::string CHitPrinter::displayText(const std::string& stored, bool keepUtf8, size_t characters)
{
    std::string text = keepUtf8 && ValidUtf8(stored) ? stored : utility::CStringConvertor("utf-8", "gbk").convert(stored);
    std::string shown;
    size_t count = 0;
    for (size_t i = 0; i < text.size() && (characters == 0 || count < characters); ++count) {
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
    std::string path = displayText(hit.path, true, 0);
    std::string abstract = displayText(hit.abstract, false, ABSTRACT_CHARACTERS);
    if (m_json) {
        return utility::Format("{\"doc\":%lld,\"score\":%.6g,\"path\":", static_cast<long long>(hit.doc), hit.score) +
               jsonString(path) + ",\"abstract\":" + jsonString(abstract) + "}\n";
    }
    return utility::Format("%lld\t%.4f\t", static_cast<long long>(hit.doc), hit.score) + path + "\t" + abstract +
           "\n";
}

} // namespace cs::search

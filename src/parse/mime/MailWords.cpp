#include "parse/mime/MailWords.h"

#include "utility/Error.h"

namespace cs::parse {

namespace {

bool IsSeparator(char c)
{
    return c == ' ' || c == ';' || c == ',' || c == '\t' || c == '\n' || c == '<' || c == '>';
}

std::vector<std::string_view> AddressWords(const std::string& value)
{
    std::vector<std::string_view> words;
    SplitMailWords(value.data(), value.data() + value.size(), words);
    return words;
}

} // namespace

void SplitMailWords(const char* startPoint, const char* end, std::vector<std::string_view>& words)
{
    CS_ASSERT_ARG_TEXT(startPoint != nullptr && end != nullptr && startPoint <= end,
                       "startPoint != NULL && end != NULL && startPoint <= end");
    const char* p = startPoint;
    while (p < end) {
        while (p < end && IsSeparator(*p))
            ++p;
        const char* word = p;
        while (p < end && !IsSeparator(*p))
            ++p;
        if (p > word)
            words.emplace_back(word, p - word);
    }
}

std::string FindMailSender(const std::string& from)
{
    for (std::string_view word : AddressWords(from)) {
        if (word.find('@') != std::string_view::npos)
            return std::string(word);
    }
    return std::string();
}

void AppendMailRecipients(const std::string& value, std::string& recipients)
{
    for (std::string_view word : AddressWords(value)) {
        if (word.find('@') != std::string_view::npos) {
            recipients.append(word.data(), word.size());
            recipients += ';';
        }
    }
}

} // namespace cs::parse

#include "analyze/EmailaddrAnalyzer.h"

#include <cstring>

#include "analyze/Crc32.h"
#include "utility/Logger.h"

namespace cs::analyze {

namespace {

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ';' || c == ',';
}

} // namespace

int CEmailaddrAnalyzer::analyze(const char* text, size_t length, CTokenListBase* basetokens)
{
    CTokenList<wid_t>& tokens = tokenListOf(basetokens);
    int added = 0;
    const char* const end = text + length;
    for (const char* p = text; p < end;) {
        while (p < end && IsSeparator(*p))
            ++p;
        const char* word = p;
        while (p < end && !IsSeparator(*p))
            ++p;
        if (word == p)
            break;
        const size_t wordLength = static_cast<size_t>(p - word);
        const char* at = static_cast<const char*>(std::memchr(word, '@', wordLength));
        if (!at) {
            CS_LOG_DEBUG("not an e-mail address, skipped: %.*s", static_cast<int>(wordLength), word);
            continue;
        }
        // Further "@" belong to the domain.
        tokens.push_back(Crc32Term(word, static_cast<size_t>(at - word)));
        tokens.push_back(Crc32Term(at + 1, static_cast<size_t>(p - at - 1)));
        added += 2;
    }
    return added;
}

} // namespace cs::analyze

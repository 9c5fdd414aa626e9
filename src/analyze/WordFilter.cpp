#include "analyze/WordFilter.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "platform/Env.h"
#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::analyze {

size_t CWordFilter::position(long long id)
{
    // Unsigned, as a bit set sees it: -1 is out of range too.
    if (static_cast<unsigned long long>(id) >= WORD_LIMIT) {
        CS_LOG_ERROR("invalid bitset<N> position");
        throw std::out_of_range("invalid bitset<N> position");
    }
    return static_cast<size_t>(id);
}

void CWordFilter::load(const std::string& path)
{
    std::string text;
    bool opened = false;
    // A read error ends the list where it happened.
    if (!platform::Env().readWholeFile(path, text, &opened) && !opened)
        return;
    const char* next = text.c_str();
    const char* end = next + text.size();
    for (;;) {
        while (next != end && std::isspace(static_cast<unsigned char>(*next)))
            ++next;
        if (next == end)
            return;
        char* after = nullptr;
        // Read wider than int so that a huge number cannot wrap onto a valid id.
        long long id = std::strtoll(next, &after, 10);
        if (after == next || id < 0)
            CS_THROW("%s format wrong", path.c_str());
        m_pStopWords->set(position(id));
        next = after;
    }
}

int CWordFilter::filter(CTokenList<wid_t>& tokens, size_t first) const
{
    int marked = 0;
    wid_t* p = tokens.data();
    for (size_t i = first, n = tokens.size(); i < n; ++i) {
        if ((*m_pStopWords)[position(p[i])]) {
            p[i] = -1;
            ++marked;
        }
    }
    return marked;
}

} // namespace cs::analyze

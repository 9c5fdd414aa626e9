#include "analyze/WordFilter.h"

#include <cstdio>
#include <stdexcept>

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
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        return;
    long long id = 0;
    int read = 0;
    // Read wider than int so that a huge number cannot wrap onto a valid id.
    while ((read = std::fscanf(file.get(), "%lld", &id)) != EOF) {
        if (read != 1 || id < 0)
            CS_THROW("%s format wrong", path.c_str());
        m_pStopWords->set(position(id));
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

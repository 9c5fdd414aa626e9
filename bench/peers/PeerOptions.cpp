#include "PeerOptions.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace peers {

COptions::COptions(int argc, char** argv, int first, const char* known)
{
    std::istringstream names(known);
    std::map<std::string, bool> allowed;
    for (std::string name; names >> name;)
        allowed[name] = true;
    for (int i = first; i < argc; ++i) {
        std::string word = argv[i];
        auto equals = word.find('=');
        if (equals == std::string::npos || !allowed.count(word.substr(0, equals))) {
            std::fprintf(stderr, "%s: unknown setting %s (known: %s)\n", argv[0], argv[i], known);
            std::exit(2);
        }
        m_values[word.substr(0, equals)] = word.substr(equals + 1);
    }
}

double COptions::number(const std::string& name, double fallback) const
{
    auto found = m_values.find(name);
    return found == m_values.end() ? fallback : std::atof(found->second.c_str());
}

} // namespace peers

// Command-line settings of a peer driver: NAME=VALUE words after the
// corpus and index directories, so that peer_bench.py can try a peer's
// configurations with one program.
#pragma once

#include <map>
#include <string>

namespace peers {

class COptions {
public:
    // Takes argv[first..argc); exits with a usage message on a word that is
    // not NAME=VALUE or names a setting not in known (space-separated).
    COptions(int argc, char** argv, int first, const char* known);

    // The value given, or fallback when the setting was not given.
    double number(const std::string& name, double fallback) const;
    bool given(const std::string& name) const { return m_values.count(name) != 0; }

private:
    std::map<std::string, std::string> m_values;
};

} // namespace peers

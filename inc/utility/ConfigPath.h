// The path configuration: "pathconfig.xml" names a root directory and, below
// it, every configuration file of the program under a fixed entry name.
#pragma once

#include <map>
#include <string>

namespace cs::utility {

class CConfigPath {
public:
    // Loaded on first use: the program's directory first, then the current one.
    static CConfigPath& instance();

    // Loads the given path configuration file.
    explicit CConfigPath(const std::string& file);

    // The path of a named entry; raises "no such config file: %s" for an
    // unknown name.
    std::string getPath(const std::string& name) const;
    bool hasPath(const std::string& name) const { return m_paths.count(name) != 0; }

private:
    std::map<std::string, std::string> m_paths;
};

} // namespace cs::utility

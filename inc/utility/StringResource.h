// The table of user-facing texts, read from the string-resource file.
#pragma once

#include <map>
#include <string>

namespace cs::utility {

class CStringResource {
public:
    static CStringResource& instance();

    // Reads "/string_resource/chs"; the table is replaced only on success.
    bool load(const std::string& path);
    // Raises "failed to load string resource: %s" for an unknown identifier.
    std::string get(const std::string& id) const;
    bool find(const std::string& id, std::string& text) const;

private:
    std::map<std::string, std::string> m_table;
};

} // namespace cs::utility

// The table of user-facing texts, read from the string-resource file.
#pragma once

#include <map>
#include <string>

namespace cs::utility {

class CStringResource {
public:
    static CStringResource& instance();

    // Reads "/string_resource/chs"; the table is replaced only on success. A
    // text used as a printf format whose conversions differ from those its
    // message hands it is replaced by the built-in text, with a WARN.
    bool load(const std::string& path);
    // Why the last load failed.
    const std::string& failure() const { return m_failure; }
    // Raises "failed to load string resource: %s" for an unknown identifier.
    std::string get(const std::string& id) const;
    bool find(const std::string& id, std::string& text) const;

private:
    std::map<std::string, std::string> m_table;
    std::string m_failure;
};

} // namespace cs::utility

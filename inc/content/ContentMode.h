// The content mode: the ordered field descriptions of a document. Read from
// the content-mode file (prefix "/argument") or from index_status.xml (prefix
// "/database"), and written back into the latter.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "content/ModeItem.h"

namespace cs::utility {
class CXmlDocument;
class CXmlNode;
}

namespace cs::content {

class CContentMode {
public:
    CContentMode() = default;
    virtual ~CContentMode() = default;
    CContentMode(const CContentMode&) = delete;
    CContentMode& operator=(const CContentMode&) = delete;

    // Replaces the items by those under `prefix` + "/content_mode" of the file;
    // false (and an error line) when the file does not parse.
    bool read(const std::string& path, const std::string& prefix);
    // The same from `document`, parsed already from the file at `path`.
    void read(utility::CXmlDocument& document, const std::string& prefix, const std::string& path);

    // Appends a `content_mode` element holding every item to `parent`.
    void write(utility::CXmlNode& parent) const;

    // First item of exactly that name, or null.
    const CModeItem* find(const std::string& name) const;

    // The id of the item of that name; a new name is appended as a copy of
    // `item` with the next field id.
    int addItem(const CModeItem& item);

    void clear();

    size_t size() const { return m_items.size(); }
    const CModeItem& item(size_t index) const { return *m_items[index]; }
    const std::string& path() const { return m_path; }

private:
    void append(const CModeItem& item);

    std::vector<std::unique_ptr<CModeItem>> m_items;
    std::string m_path;
    int m_itemCount = 0;
};

} // namespace cs::content

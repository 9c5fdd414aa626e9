// One field description of the content mode: how a field is stored, indexed
// and analysed. The field id is the item's position in the mode.
#pragma once

#include <map>
#include <string>

namespace cs::content {

class CModeItem {
public:
    // Store kinds.
    static constexpr int STORE_NO = 16;
    static constexpr int STORE_COMPRESS = 32;
    static constexpr int STORE_UNCOMPRESS = 64;
    // Index kinds.
    static constexpr int INDEX_NO = 1;
    static constexpr int INDEX_ANALYZE = 2;
    static constexpr int INDEX_UNANALYZE = 4;
    // Index ways.
    static constexpr int WAY_POSITIONS = 0;
    static constexpr int WAY_DOCUMENTS = 1;

    CModeItem(const std::string& name, int storeKind, int indexKind, int indexWay = WAY_POSITIONS,
              float boost = 1.0f)
        : m_name(name), m_storeKind(storeKind), m_indexKind(indexKind), m_indexWay(indexWay), m_boost(boost)
    {
    }

    int getFieldID() const { return m_fieldId; }
    void setFieldID(int id) { m_fieldId = id; }
    const std::string& getName() const { return m_name; }
    int getStoreKind() const { return m_storeKind; }
    int getIndexKind() const { return m_indexKind; }
    int getIndexWay() const { return m_indexWay; }
    float getBoost() const { return m_boost; }

    // The value of a component ("analyzer", "analyzer_parameter", "indexer"),
    // or null when the item has none of that name.
    const std::string* getComponent(const std::string& name) const;
    void setComponent(const std::string& name, const std::string& value) { m_components[name] = value; }
    const std::map<std::string, std::string>& components() const { return m_components; }

    // The words of the content-mode file.
    static int storeKindOf(const std::string& word);
    static int indexKindOf(const std::string& word);
    static const char* storeWord(int storeKind);
    static const char* indexWord(int indexKind);
    // A boost is written with two decimals ("1.00"); read back, it must be a
    // number with nothing else beside surrounding blanks.
    static std::string boostText(float boost);
    static bool parseBoost(const std::string& text, float& boost);

private:
    int m_fieldId = -1;
    std::string m_name;
    int m_storeKind;
    int m_indexKind;
    int m_indexWay;
    float m_boost;
    std::map<std::string, std::string> m_components;
};

} // namespace cs::content

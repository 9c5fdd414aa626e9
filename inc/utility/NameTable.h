// Objects by name, not owned: the registries of creators and factories keep
// theirs in one. A later entry of the same name replaces the earlier one.
#pragma once

#include <map>
#include <string>

namespace cs::utility {

template <class T>
class CNameTable {
public:
    void put(const std::string& name, T* pObject) { m_objects[name] = pObject; }

    // The object of exactly that name, or null.
    T* find(const std::string& name) const
    {
        auto it = m_objects.find(name);
        return it == m_objects.end() ? nullptr : it->second;
    }

private:
    std::map<std::string, T*> m_objects;
};

} // namespace cs::utility

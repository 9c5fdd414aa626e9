// A term of the index: the name of its field and its value. Every term the
// analyzers produce is a signed 32-bit number (word id, crc or day number).
#pragma once

#include <string>
#include <typeinfo>

#include "utility/Error.h"

namespace cs::utility {

class CTerm {
public:
    virtual ~CTerm() = default;

    virtual CTerm* clone() const = 0;
    // Both terms must be of the same kind.
    virtual void assign(const CTerm& rhs) = 0;
    // -1, 0 or 1 by value only; the field names take no part.
    virtual int compare(const CTerm& rhs) const = 0;

    const std::string& getField() const { return m_field; }
    void setField(const std::string& field) { m_field = field; }

    bool operator<(const CTerm& rhs) const { return compare(rhs) < 0; }
    bool operator==(const CTerm& rhs) const { return compare(rhs) == 0; }

protected:
    explicit CTerm(const std::string& field) : m_field(field) {}
    CTerm(const CTerm&) = default;
    CTerm& operator=(const CTerm&) = default;

    std::string m_field;
};

template <class T>
class CTermT : public CTerm {
public:
    explicit CTermT(const std::string& field = std::string(), T value = T()) : CTerm(field), m_value(value) {}

    CTerm* clone() const override { return new CTermT(*this); }

    void assign(const CTerm& rhs) override
    {
        const CTermT& other = cast(rhs);
        m_field = other.m_field;
        m_value = other.m_value;
    }

    int compare(const CTerm& rhs) const override
    {
        const CTermT& other = cast(rhs);
        return m_value < other.m_value ? -1 : (other.m_value < m_value ? 1 : 0);
    }

    T get() const { return m_value; }
    void set(T value) { m_value = value; }

private:
    static const CTermT& cast(const CTerm& rhs)
    {
        // The merge queue compares terms of one kind millions of times: an
        // exact type match needs no walk of the class hierarchy.
        if (typeid(rhs) == typeid(CTermT))
            return static_cast<const CTermT&>(rhs);
        const CTermT* pOther = dynamic_cast<const CTermT*>(&rhs);
        CS_ASSERT_ARG_TEXT(pOther != nullptr, "dynamic_cast<const CTermT *>(rhs) != NULL");
        return *pOther;
    }

    T m_value;
};

} // namespace cs::utility

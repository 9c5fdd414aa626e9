// The open inputs of one barrel's posting files: .did and .pid (absent for
// fields without position data).
#pragma once

#include <memory>
#include <string>

#include "store/IndexInput.h"

namespace cs::index {

class CInputDescriptor {
public:
    // `barrelPath` is the directory path followed by the barrel name: the files
    // are barrelPath + ".did" and so on, which is how messages name them.
    // The inputs are deleted with the descriptor when `owns` is set.
    CInputDescriptor(store::CIndexInput* pDdInput, store::CIndexInput* pPdInput, bool owns,
                     const std::string& barrelPath);
    ~CInputDescriptor();
    CInputDescriptor(const CInputDescriptor&) = delete;
    CInputDescriptor& operator=(const CInputDescriptor&) = delete;

    store::CIndexInput* getDdInput() const { return m_pDdInput; }
    store::CIndexInput* getPdInput() const { return m_pPdInput; }
    std::string fileName(const char* extension) const { return m_barrelPath + extension; }

    // Independent inputs on the same files, owned by the copy, so that
    // several postings can be read at once.
    std::unique_ptr<CInputDescriptor> clonePostings() const;

private:
    store::CIndexInput* m_pDdInput;
    store::CIndexInput* m_pPdInput;
    bool m_owns;
    std::string m_barrelPath;
};

} // namespace cs::index

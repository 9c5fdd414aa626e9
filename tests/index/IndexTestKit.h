// Helpers of the index suites: fields as the analysis pass leaves them, and
// the open posting outputs of one barrel in a scratch directory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "content/Field.h"
#include "index/OutputDescriptor.h"
#include "store/ContentDirectory.h"
#include "support/IndexFiles.h"
#include "support/TestSupport.h"

namespace cs::test {

// An analysed field holding `tokens`.
inline std::unique_ptr<content::CField> TokenField(uint32_t id, const std::vector<int32_t>& tokens,
                                                   const std::string& name = "field")
{
    auto pField = std::make_unique<content::CField>(id, name, 2, 16);
    pField->setText("x", 1);
    auto& list = pField->newTokens();
    for (int32_t token : tokens)
        list.push_back(token);
    return pField;
}

// B.tid, B.did and B.pid of barrel "_0", open for writing.
class CBarrelOutputs {
public:
    explicit CBarrelOutputs(const std::string& tag)
        : m_dir(MakeTempDir(tag)), m_directory(m_dir, store::CContentDirectory::MODE_CREATE),
          m_pTid(m_directory.createOutput("_0.tid")), m_pDid(m_directory.createOutput("_0.did")),
          m_pPid(m_directory.createOutput("_0.pid")), m_outputs(m_pTid.get(), m_pDid.get(), m_pPid.get())
    {
    }

    const index::COutputDescriptor& outputs() const { return m_outputs; }
    store::CIndexOutput& tid() { return *m_pTid; }
    store::CIndexOutput& did() { return *m_pDid; }
    store::CIndexOutput& pid() { return *m_pPid; }
    const std::string& dir() const { return m_dir; }

    void close()
    {
        m_pTid->close();
        m_pDid->close();
        m_pPid->close();
    }
    std::string file(const std::string& extension) const { return ReadFile(m_dir + "/_0" + extension); }

    // The postings of an indexed field whose .tid trailer is at `trailer`.
    std::vector<TermPostings> postings(int64_t trailer) const
    {
        FieldInfoRecord field;
        field.name = "field";
        field.flags = 16 | 2;
        field.trailer = trailer;
        return ReadFieldPostings(m_dir, "_0", field);
    }

private:
    std::string m_dir;
    store::CContentDirectory m_directory;
    std::unique_ptr<store::CIndexOutput> m_pTid;
    std::unique_ptr<store::CIndexOutput> m_pDid;
    std::unique_ptr<store::CIndexOutput> m_pPid;
    index::COutputDescriptor m_outputs;
};

} // namespace cs::test

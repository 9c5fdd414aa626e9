// Helpers of the index suites: fields as the analysis pass leaves them, and
// the open posting outputs of one barrel in a scratch directory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analyze/Analyzer.h"
#include "analyze/AnalyzerMap.h"
#include "analyze/AnalyzerRegistry.h"
#include "config/Configurator.h"
#include "content/ContentMode.h"
#include "content/Field.h"
#include "index/fields/FieldFactoryRegistry.h"
#include "index/postings/OutputDescriptor.h"
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

// The built-in content mode (the configurator's defaults): text, user, group,
// date, path (stored), abstract (stored compressed), mail_send, mail_recv, type.
inline const content::CContentMode& DefaultMode()
{
    static utility::CConfigurator configurator(TestRoot() + "/no-such-content-mode.xml");
    static bool loaded = (configurator.load(), true);
    (void)loaded;
    return configurator.getContentMode();
}

// The analyzers of every analysed field of a mode, by field id, as the
// index writer chooses them (the general analyzer unless the field names
// another). The general analyzer reads the dictionary installed in the test
// root.
class CAnalysis {
public:
    explicit CAnalysis(const content::CContentMode& mode)
    {
        for (size_t i = 0; i < mode.size(); ++i) {
            const content::CModeItem& item = mode.item(i);
            if (item.getIndexKind() != content::CModeItem::INDEX_ANALYZE)
                continue;
            const std::string* pName = item.getComponent("analyzer");
            std::string name = pName ? *pName : "general.analyzer";
            std::unique_ptr<analyze::CAnalyzer>& pAnalyzer = m_byName[name];
            if (!pAnalyzer)
                pAnalyzer = analyze::CAnalyzerRegistry::instance().find(name)->create();
            m_map[item.getFieldID()] = pAnalyzer.get();
        }
    }
    const analyze::AnalyzerMap& map() const { return m_map; }

private:
    std::map<std::string, std::unique_ptr<analyze::CAnalyzer>> m_byName;
    analyze::AnalyzerMap m_map;
};

// The field kind of every indexed item of a mode, by its "indexer" component.
inline index::FieldFactoryMap Factories(const content::CContentMode& mode)
{
    index::FieldFactoryMap factories;
    for (size_t i = 0; i < mode.size(); ++i) {
        const content::CModeItem& item = mode.item(i);
        const std::string* pName = item.getComponent("indexer");
        if (item.getIndexKind() != content::CModeItem::INDEX_NO)
            factories[item.getFieldID()] = index::CFieldFactoryRegistry::instance().find(pName ? *pName : "text");
    }
    return factories;
}

// Gives the files of a directory ending in ".tmp" their final names.
inline void DropTmpNames(const std::string& dir)
{
    for (const std::string& name : ListDir(dir)) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0)
            std::rename((dir + "/" + name).c_str(), (dir + "/" + name.substr(0, name.size() - 4)).c_str());
    }
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

#include "support/SampleIndex.h"

#include "content/Content.h"
#include "content/ContentMode.h"
#include "index/BarrelsInfo.h"
#include "index/Index.h"
#include "index/IndexTestKit.h"
#include "index/writer/IndexBarrelWriter.h"
#include "support/AnalyzerTestData.h"
#include "utility/DocDeleted.h"
#include "utility/MemoryCache.h"

namespace cs::test {

void WriteSampleIndex(const std::string& dir, const std::vector<SampleDocument>& documents,
                      const std::vector<int>& barrelSizes, const std::set<int>& deleted,
                      const content::CContentMode* pMode)
{
    InstallTestDictionary();
    const content::CContentMode& mode = pMode ? *pMode : DefaultMode();
    CAnalysis analysis(mode);
    utility::CMemoryCache cache(4 << 20);
    index::CIndex index(index::CIndex::ACCESS_CREATE, dir);
    index.setContentMode(const_cast<content::CContentMode*>(&mode));
    index::CBarrelsInfo& barrels = *index.getBarrelsInfo();
    barrels.setContentMode(index.getContentMode());
    size_t next = 0;
    for (int size : barrelSizes) {
        int32_t start = static_cast<int32_t>(next);
        index::CBarrelInfo* pBarrel = barrels.addBarrel(barrels.newBarrelName(), start);
        index::CIndexBarrelWriter writer(pBarrel->getName(), index.getDirectory(), &cache);
        writer.setContentMode(index.getContentMode());
        writer.createFieldIndexers(index.getFieldFactories());
        content::CContent content(mode);
        utility::CDocDeleted bitmap;
        bitmap.grow(static_cast<uint32_t>(size));
        for (int local = 0; local < size; ++local, ++next) {
            for (const auto& [name, value] : documents.at(next)) {
                const content::CModeItem* pItem = mode.find(name);
                bool gbk = name == "text" || name == "abstract";
                content.setFieldText(static_cast<size_t>(pItem->getFieldID()), (gbk ? Gbk(value) : value).c_str());
            }
            content.analyze(analysis.map());
            writer.addDocument(local, content);
            content.clear();
            if (deleted.count(static_cast<int>(next)))
                bitmap.setDeleted(local);
        }
        pBarrel->setDocCount(size);
        writer.write();
        writer.close();
        writer.reset();
        if (bitmap.docDelNum() > 0) {
            bitmap.save(index.getDirectory()->getFullPath(pBarrel->getName() + ".del"));
            pBarrel->setDeletedCount(static_cast<int32_t>(bitmap.docDelNum()));
        }
    }
    barrels.write(*index.getDirectory());
    index.getDirectory()->renameFiles("*.tmp", "*");
}

const content::CContentMode& DatedMode()
{
    static content::CContentMode mode;
    if (mode.size() == 0) {
        for (size_t i = 0; i < DefaultMode().size(); ++i) {
            content::CModeItem item = DefaultMode().item(i);
            if (item.getName() == "date") {
                content::CModeItem stored("date", content::CModeItem::STORE_UNCOMPRESS, item.getIndexKind(),
                                          item.getIndexWay());
                for (const char* component : {"analyzer", "indexer"})
                    stored.setComponent(component, *item.getComponent(component));
                item = stored;
            }
            mode.addItem(item);
        }
    }
    return mode;
}

} // namespace cs::test

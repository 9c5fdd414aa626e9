// Barrels written by the barrel writer from analysed documents are merged
// and read back: the reading side agrees with the writing side.
#include <gtest/gtest.h>

#include <memory>

#include "IndexTestKit.h"
#include "MergeTestKit.h"
#include "content/Content.h"
#include "index/fields/FieldInfoList.h"
#include "index/postings/DocPosPosting.h"
#include "index/terms/TextIndexTermReader.h"
#include "index/writer/IndexBarrelWriter.h"
#include "support/AnalyzerTestData.h"
#include "utility/MemoryCache.h"
#include "utility/StringResource.h"
#include "utility/Term.h"

namespace {

using namespace cs::test;
using cs::content::CContent;

TEST(MergeWritten, BarrelsOfTheBarrelWriterMergeAndReadBack)
{
    InstallTestDictionary();
    ASSERT_TRUE(cs::utility::CStringResource::instance().load(TestRoot() + "/strres.xml"));
    const cs::content::CContentMode& mode = DefaultMode();
    CAnalysis analysis(mode);
    std::string dir = MakeTempDir("merge-written");
    cs::store::CContentDirectory directory(dir, 1);
    cs::utility::CMemoryCache cache(1 << 20);
    cs::index::FieldFactoryMap factories = Factories(mode);
    const char* texts[] = {"北京大学的学生", "中国人民银行 北京", "学生 北京 学生", "北京"};
    const char* users[] = {"alice", "bob", "carol"};

    cs::index::CBarrelsInfo barrels;
    barrels.setContentMode(const_cast<cs::content::CContentMode*>(&mode));
    int32_t docStart = 0;
    for (int b = 0; b < 3; ++b) {
        std::string name = "_" + std::to_string(b);
        cs::index::CIndexBarrelWriter writer(name, &directory, &cache);
        writer.setContentMode(&mode);
        writer.createFieldIndexers(factories);
        CContent document(mode);
        int32_t count = 3 + b;
        for (int32_t d = 0; d < count; ++d) {
            document.setFieldText(0, Gbk(texts[(b + d) % 4]).c_str());
            document.setFieldText(1, users[d % 3]);
            document.setFieldText(3, d % 2 ? "2008-02-29" : "2009-01-01");
            document.setFieldText(4, ("/data/" + name + "/" + std::to_string(d)).c_str());
            document.setFieldText(5, std::string(100 + d, 'x').c_str());
            document.setFieldText(6, "a@b.c x@y.z");
            document.analyze(analysis.map());
            writer.addDocument(d, document);
            document.clear();
        }
        writer.write();
        writer.close();
        writer.reset();
        cs::index::CBarrelInfo* pInfo = barrels.addBarrel(name, docStart);
        pInfo->setDocCount(count);
        docStart += count;
    }
    DropTmpNames(dir);
    // Barrel _1 has its first document and its last deleted.
    WriteFile(dir + "/_1.del", DeletedFile({true, false, false, true}));
    barrels.getBarrel(1)->setDeletedCount(2);
    barrels.write(directory);
    directory.renameFile("index_status.xml.tmp", "index_status.xml");
    ASSERT_EQ(CheckIndex(dir), "");
    IndexView before = ViewIndex(dir);

    cs::index::CHTIndexMerger merger(&directory);
    merger.setFactorySearcher(&factories);
    merger.setParam(3, 3, 1);
    merger.setRecycleStrategy(2);
    merger.setRecycleCount(1);
    merger.merge(&barrels);
    EXPECT_EQ(barrels.size(), 1u);
    EXPECT_EQ(barrels.getBarrel(0)->getDocCount(), 11);
    EXPECT_EQ(CheckIndex(dir), "");
    IndexView after = ViewIndex(dir);
    EXPECT_EQ(CompareViews(before, after), "");
    EXPECT_EQ(after.docs.count("/data/_1/0"), 0u);
    EXPECT_EQ(after.withoutRecord, 1u);
    // Lengths count the text's terms, the stop word 的 too; the comparison
    // above found them with their documents.
    EXPECT_EQ(after.docs.at("/data/_0/0").lengths, (std::map<int32_t, int32_t>{{0, 3}}));
    EXPECT_EQ(after.docs.at("/data/_2/1").lengths, (std::map<int32_t, int32_t>{{0, 1}}));

    // The query side finds the word in every document that holds it.
    cs::index::CFieldInfoList infos;
    std::unique_ptr<cs::store::CIndexInput> pFdi(directory.openInput("_0.fdi"));
    infos.read(*pFdi);
    cs::index::CTextIndexTermReader reader;
    reader.open(&directory, "_0", infos.getField(0), nullptr);
    cs::utility::CTermT<int32_t> word("text", WordId("北京"));
    ASSERT_TRUE(reader.seek(&word));
    std::unique_ptr<cs::index::CDocPosPosting> pPositions(reader.termPositions());
    size_t expected = 0;
    for (const auto& [id, doc] : after.docs)
        expected += doc.postings.count({"text", WordId("北京")});
    size_t found = 0;
    while (pPositions->next())
        ++found;
    EXPECT_EQ(found, expected);
}

} // namespace

// The bytes of an index: a fixed corpus indexed in three runs with a fixed
// first-barrel threshold gives, file for file, the index recorded here. The
// runs write several barrels and merge them; the corpus fills every field of
// the built-in content mode: text, crc with and without positions, date, and
// stored fields plain and compressed. Nothing in these files depends on the
// time of the run.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <map>
#include <string>

#include "collect/Collection.h"
#include "content/Content.h"
#include "content/ContentMode.h"
#include "index/testing/TestHooks.h"
#include "index/writer/IndexWriter.h"
#include "support/Corpus.h"
#include "support/IndexFiles.h"
#include "support/IndexingRig.h"
#include "support/TestSupport.h"
#include "utility/MemoryCache.h"

namespace {

using namespace cs::test;
using cs::content::CContent;

// Documents `first` to `first + count - 1` of the corpus.
class CFixedCorpus : public cs::collection::CCollection {
public:
    CFixedCorpus(int first, int count) : m_first(first), m_count(count) {}

    void collect() override
    {
        static const char* const kTypes[] = {"web", "chat", "httpup", "search", "mail"};
        CCorpus corpus(static_cast<unsigned>(m_first) + 1);
        for (int i = m_first; i < m_first + m_count; ++i) {
            CContent* pContent = m_pIndexWriter->nextDocument();
            pContent->setFileType(0);
            pContent->setRecordKind('W');
            char date[16];
            std::snprintf(date, sizeof(date), "2026-12-%02d", 1 + i % 28);
            set(pContent, "text", corpus.english(30));
            set(pContent, "user", "user" + std::to_string(i % 7));
            set(pContent, "group", "group" + std::to_string(i % 3));
            set(pContent, "date", date);
            set(pContent, "path", "/docs/" + std::to_string(i) + ".txt");
            set(pContent, "abstract", corpus.english(60));
            set(pContent, "mail_send", "a" + std::to_string(i % 5) + "@example.org; b@example.org");
            set(pContent, "mail_recv", "c" + std::to_string(i % 4) + "@example.net");
            set(pContent, "type", kTypes[i % 5]);
            pContent->setState(CContent::STATE_PARSED);
        }
    }
    void setContentMode(const cs::content::CContentMode* pMode) override { m_pMode = pMode; }
    void saveStatus() override {}

private:
    void set(CContent* pContent, const char* field, const std::string& text) const
    {
        pContent->setFieldText(m_pMode->find(field)->getFieldID(), text.data(), text.size());
    }

    int m_first;
    int m_count;
    const cs::content::CContentMode* m_pMode = nullptr;
};

// "size crc32" of every file of the directory, by name.
std::map<std::string, std::string> Digests(const std::string& dir)
{
    std::map<std::string, std::string> digests;
    for (const std::string& name : ListDir(dir)) {
        std::string bytes = ReadFile(dir + "/" + name);
        uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
        char digest[32];
        std::snprintf(digest, sizeof(digest), "%zu %08lx", bytes.size(), static_cast<unsigned long>(crc));
        digests[name] = digest;
    }
    return digests;
}

} // namespace

TEST(IndexBytes, AFixedCorpusGivesTheRecordedFiles)
{
    cs::utility::CreateIndexMemoryCache(100000000);
    cs::index::hooks::SetFirstBarrelThreshold(60);
    std::string dir = MakeTempDir("bytes");
    for (int run = 0; run < 3; ++run) {
        CIndexingRig rig(dir);
        CFixedCorpus corpus(run * 150, 150);
        rig.run(corpus);
    }
    cs::index::hooks::SetFirstBarrelThreshold(0);

    // Each run flushes 60 documents, then 90; the merges leave barrels of 300, 90 and 60.
    const std::map<std::string, std::string> expected = {
        {"_0.did", "26153 0fadb1e8"},
        {"_0.fdi", "499 59a9aa70"},
        {"_0.len", "1212 b6601bc9"},
        {"_0.pid", "17727 78483f3b"},
        {"_0.sfd", "67455 9b47fd86"},
        {"_0.sfi", "2400 1330bc85"},
        {"_0.tid", "645 014db07d"},
        {"_1.did", "8323 babc07f1"},
        {"_1.fdi", "499 489c59b8"},
        {"_1.len", "372 fe62cdcb"},
        {"_1.pid", "5359 62c4ab13"},
        {"_1.sfd", "20276 1ff8fd80"},
        {"_1.sfi", "720 8efff21e"},
        {"_1.tid", "512 fb340363"},
        {"_2.did", "5764 f9562273"},
        {"_2.fdi", "499 d2c18558"},
        {"_2.len", "252 95eff44e"},
        {"_2.pid", "3601 7a4ed312"},
        {"_2.sfd", "13501 c7199a3d"},
        {"_2.sfi", "480 344340b8"},
        {"_2.tid", "507 92ad2d39"},
        {"index_status.xml", "3590 0d019472"},
    };
    EXPECT_EQ(Digests(dir), expected);
    EXPECT_EQ(CheckIndex(dir), "");
}

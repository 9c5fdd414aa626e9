// The stored-fields reader against what the writer puts on disk, and against
// damaged files.
#include <gtest/gtest.h>

#include "IndexTestKit.h"
#include "content/Content.h"
#include "index/fields/FieldInfoList.h"
#include "index/stored/StoreFieldsReader.h"
#include "index/stored/StoreFieldsWriter.h"

namespace {

using namespace cs::test;
using cs::content::CContent;
using cs::content::CContentMode;
using cs::content::CModeItem;
using cs::index::CStoreFieldsReader;

// Barrel "_0" of three documents over the fields path (stored), abstract
// (stored compressed) and text (not stored).
struct StoredBarrel {
    std::string dir = MakeTempDir("stored-read");
    cs::store::CContentDirectory directory{dir, 1};
    CContentMode mode;
    cs::index::CFieldInfoList fields;
    std::string incompressible;

    StoredBarrel()
    {
        mode.addItem(CModeItem("path", 64, 1));
        mode.addItem(CModeItem("abstract", 32, 1));
        mode.addItem(CModeItem("text", 16, 2));
        fields.buildFromMode(mode);
        uint32_t state = 12345;
        for (int i = 0; i < 300; ++i) {
            state = state * 1103515245u + 12345u;
            incompressible += static_cast<char>((state >> 16) % 251 + 1);
        }
        cs::index::CStoreFieldsWriter writer;
        writer.open(&directory, "_0", &fields);
        CContent document(mode);
        document.setFieldText(0, "/docs/a.txt");
        document.setFieldText(1, std::string(2000, 'a').c_str());
        document.setFieldText(2, "not stored");
        writer.addDocument(0, &document);
        document.clear();
        document.setFieldText(0, "");
        document.setFieldText(1, incompressible.c_str());
        writer.addDocument(1, &document);
        document.clear();
        writer.addDocument(2, &document);
        writer.close();
        DropTmpNames(dir);
    }
};

TEST(StoreFieldsReader, ReadsBackWhatTheWriterStored)
{
    StoredBarrel barrel;
    CStoreFieldsReader reader(&barrel.directory, "_0", &barrel.fields);
    ASSERT_EQ(reader.documentCount(), 3);
    std::vector<CStoreFieldsReader::CStoredField> fields;

    ASSERT_TRUE(reader.document(0, fields));
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0].fieldId, 0);
    EXPECT_EQ(fields[0].text, "/docs/a.txt");
    EXPECT_FALSE(fields[0].compressed);
    EXPECT_EQ(fields[1].fieldId, 1);
    EXPECT_EQ(fields[1].text, std::string(2000, 'a'));
    EXPECT_TRUE(fields[1].compressed);
    EXPECT_EQ(reader.recordEnd(), reader.recordOffset(1));

    ASSERT_TRUE(reader.document(1, fields));
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0].text, "");
    EXPECT_FALSE(fields[0].empty) << "an empty text is stored as its zero byte";
    EXPECT_EQ(fields[1].text, barrel.incompressible);
    EXPECT_FALSE(fields[1].compressed) << "text that does not shrink is kept as it is";

    ASSERT_TRUE(reader.document(2, fields));
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_TRUE(fields[0].empty && fields[1].empty) << "fields without text are stored as empty";
    EXPECT_EQ(reader.recordEnd(), static_cast<int64_t>(ReadFile(barrel.dir + "/_0.sfd").size()));
}

TEST(StoreFieldsReader, DocumentWithoutRecord)
{
    StoredBarrel barrel;
    std::string sfi = ReadFile(barrel.dir + "/_0.sfi");
    sfi.replace(8, 8, std::string(8, '\xff'));
    WriteFile(barrel.dir + "/_0.sfi", sfi);
    CStoreFieldsReader reader(&barrel.directory, "_0", &barrel.fields);
    std::vector<CStoreFieldsReader::CStoredField> fields;
    EXPECT_EQ(reader.recordOffset(1), -1);
    EXPECT_FALSE(reader.document(1, fields));
    EXPECT_TRUE(reader.document(2, fields));
}

TEST(StoreFieldsReader, DamageIsReportedWithFileAndOffset)
{
    struct Case {
        const char* file;
        size_t at;          // byte to change, or the new size for "cut"
        std::string bytes;  // empty: cut the file at `at`
        int doc;
        const char* message;
    };
    // Document 0's record: VInt 2, field 0: VInt 0, VInt 12, 12 bytes;
    // field 1: VInt 1, VInt 2001 (2 bytes), VInt packed, packed bytes.
    const Case cases[] = {
        {".sfd", 20, "", 0, ".sfd is damaged: field text runs past the end of the file at offset 15"},
        {".sfd", 17, "", 0, ".sfd is damaged: record runs past the end of the file at offset 0"},
        {".sfd", 1, "\x07", 0, ".sfd is damaged: field id out of range at offset 1"},
        {".sfd", 1, "\x02", 0, ".sfd is damaged: record holds a field that is not stored at offset 1"},
        {".sfd", 0, "\x09", 0, ".sfd is damaged: field count out of range at offset 0"},
        {".sfd", 14, "x", 0, ".sfd is damaged: field text without its terminating zero byte at offset 1"},
        {".sfd", 20, "\x55\x55", 0, ".sfd is damaged: compressed field text does not inflate to its length at offset 15"},
        {".sfi", 4, "\x7f\x7f\x7f\x7f", 1, ".sfi is damaged: record offset outside the data file at offset 8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        StoredBarrel barrel;
        std::string path = barrel.dir + "/_0" + c.file;
        std::string data = ReadFile(path);
        if (c.bytes.empty())
            data.resize(c.at);
        else
            data.replace(c.file == std::string(".sfi") ? c.at + 8 : c.at, c.bytes.size(), c.bytes);
        WriteFile(path, data);
        CStoreFieldsReader reader(&barrel.directory, "_0", &barrel.fields);
        std::vector<CStoreFieldsReader::CStoredField> fields;
        std::string message = RaisedMessage<std::runtime_error>([&] { reader.document(c.doc, fields); });
        EXPECT_NE(message.find(barrel.dir + "/_0" + c.message), std::string::npos) << message;
    }
}

} // namespace

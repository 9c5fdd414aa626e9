// The stored-fields writer on its own: argument checks, documents out of
// order, missing documents, number values and compressed fields.
#include <gtest/gtest.h>

#include <zlib.h>

#include <random>

#include "IndexTestKit.h"
#include "content/Content.h"
#include "index/fields/FieldInfoList.h"
#include "index/stored/StoreFieldsWriter.h"

namespace {

using namespace cs::test;
using cs::content::CContent;
using cs::content::CContentMode;
using cs::content::CModeItem;
using cs::index::CStoreFieldsWriter;

TEST(StoreFieldsWriter, OpenNeedsADirectoryAndAFieldList)
{
    std::string dir = MakeTempDir("stored");
    cs::store::CContentDirectory directory(dir, 1);
    cs::index::CFieldInfoList fields;
    CStoreFieldsWriter writer;
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { writer.open(nullptr, "_0", &fields); }),
              "INVALID ARGUMENT: pDirectory != NULL");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { writer.open(&directory, "_0", nullptr); }),
              "INVALID ARGUMENT: fieldsInfo != NULL");
    CLogCapture log;
    writer.open(&directory, "_3", &fields);
    EXPECT_TRUE(log.logged("DEBUG", "store field writer is opening store files"));
    EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"_3.sfd.tmp", "_3.sfi.tmp"}));
    writer.addDocument(0, nullptr);
    EXPECT_TRUE(log.logged("WARN", "content is NULL while adding content record to storefielsWriter"));
    writer.close();
    writer.close();   // nothing open: nothing to do
    EXPECT_EQ(ReadFile(dir + "/_3.sfi.tmp"), "");
}

TEST(StoreFieldsWriter, EntriesGoByDocumentNumberAndNumbersAreStoredAsText)
{
    std::string dir = MakeTempDir("stored");
    cs::store::CContentDirectory directory(dir, 1);
    CContentMode mode;
    mode.addItem(CModeItem("count", 64, 1));
    mode.addItem(CModeItem("note", 32, 1));
    cs::index::CFieldInfoList fields;
    fields.buildFromMode(mode);
    CStoreFieldsWriter writer;
    writer.open(&directory, "_0", &fields);
    CContent document(mode);
    document.setFieldNumber(0, -42);
    writer.addDocument(0, &document);
    document.clear();
    document.setFieldText(1, std::string(500, 'z').c_str());
    writer.addDocument(2, &document);   // document 1 never came
    writer.close();
    DropTmpNames(dir);

    std::string sfi = ReadFile(dir + "/_0.sfi");
    ASSERT_EQ(sfi.size(), 24u);
    EXPECT_EQ(sfi.substr(8, 8), std::string(8, '\0'));
    std::string sfd = ReadFile(dir + "/_0.sfd");
    // Document 0: two fields; the number as text of 4 bytes with its zero; note empty.
    EXPECT_EQ(sfd.substr(0, 9), std::string("\x02\x00\x04-42\0\x01\x00", 9));
    CByteReader table(sfi, 16);
    CByteReader record(sfd, static_cast<uint64_t>(table.int64()));
    EXPECT_EQ(record.vint(), 2u);
    EXPECT_EQ(record.vint(), 0u);
    EXPECT_EQ(record.vint(), 0u);   // count empty
    EXPECT_EQ(record.vint(), 1u);
    EXPECT_EQ(record.vint(), 501u);
    EXPECT_GT(record.vint(), 0u);   // compressed
}

// A compressed field is a zlib stream that zlib's uncompress turns back into
// the text and its zero byte; text that does not shrink is stored raw.
TEST(StoreFieldsWriter, CompressedFieldsAreZlibStreamsOrRawWhenTheyDoNotShrink)
{
    std::string dir = MakeTempDir("stored");
    cs::store::CContentDirectory directory(dir, 1);
    CContentMode mode;
    mode.addItem(CModeItem("abstract", 32, 1));
    cs::index::CFieldInfoList fields;
    fields.buildFromMode(mode);
    std::mt19937 random(11);
    std::string noise(3000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() % 255 + 1);
    std::string gbk;
    while (gbk.size() < (1u << 20))
        gbk += "\xd6\xd0\xb9\xfa\xc8\xcb\xc3\xf1 index server ";   // GBK and ASCII
    const std::vector<std::string> texts = {gbk, noise, "a", std::string(70000, 'q'), gbk.substr(0, 4097)};

    CStoreFieldsWriter writer;
    writer.open(&directory, "_0", &fields);
    CContent document(mode);
    for (size_t doc = 0; doc < texts.size(); ++doc) {
        document.clear();
        document.setFieldText(0, texts[doc].data(), texts[doc].size());
        writer.addDocument(static_cast<int32_t>(doc), &document);
    }
    writer.close();
    DropTmpNames(dir);

    std::string sfi = ReadFile(dir + "/_0.sfi");
    std::string sfd = ReadFile(dir + "/_0.sfd");
    ASSERT_EQ(sfi.size(), texts.size() * 8);
    std::vector<uint32_t> packedSizes;
    for (size_t doc = 0; doc < texts.size(); ++doc) {
        SCOPED_TRACE("document " + std::to_string(doc));
        std::string stored = texts[doc] + '\0';
        CByteReader table(sfi, doc * 8);
        CByteReader record(sfd, static_cast<uint64_t>(table.int64()));
        EXPECT_EQ(record.vint(), 1u);
        EXPECT_EQ(record.vint(), 0u);
        EXPECT_EQ(record.vint(), stored.size());
        uint32_t packedSize = record.vint();
        packedSizes.push_back(packedSize);
        if (packedSize == 0) {
            EXPECT_EQ(record.bytes(stored.size()), stored);
            continue;
        }
        EXPECT_LE(packedSize, stored.size());
        std::string packed = record.bytes(packedSize);
        std::string text(stored.size(), '\0');
        uLongf size = static_cast<uLongf>(text.size());
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&text[0]), &size, reinterpret_cast<const Bytef*>(packed.data()),
                             packed.size()),
                  Z_OK);
        EXPECT_EQ(size, stored.size());
        EXPECT_EQ(text, stored);
    }
    // What compresses is compressed; noise and a single letter are not.
    EXPECT_LT(packedSizes[0], (1u << 20) / 4);
    EXPECT_EQ(packedSizes[1], 0u);
    EXPECT_EQ(packedSizes[2], 0u);
    EXPECT_GT(packedSizes[3], 0u);
    EXPECT_GT(packedSizes[4], 0u);
}

} // namespace

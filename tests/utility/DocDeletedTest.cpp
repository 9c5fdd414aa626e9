// The deleted-documents bitmap: its file layout, the bit operations the
// merger relies on, and damaged or unwritable files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <initializer_list>
#include <set>
#include <stdexcept>

#include "platform/EnvScope.h"
#include "support/FullDiskEnv.h"
#include "support/TestSupport.h"
#include "utility/DocDeleted.h"

using cs::test::RaisedMessage;
using cs::test::ReadFile;
using cs::test::WriteFile;
using cs::utility::CDocDeleted;

namespace {

void Delete(CDocDeleted& bitmap, std::initializer_list<int> docs)
{
    for (int doc : docs)
        bitmap.setDeleted(doc, true);
}

std::set<int> Deleted(const CDocDeleted& bitmap)
{
    std::set<int> docs;
    for (uint32_t d = 0; d < bitmap.docNum() + 16; ++d) {
        if (bitmap.isDeleted(static_cast<int32_t>(d)))
            docs.insert(static_cast<int>(d));
    }
    return docs;
}

std::string Saved(const CDocDeleted& bitmap)
{
    std::string path = cs::test::MakeTempDir("del") + "/_0.del";
    EXPECT_TRUE(bitmap.save(path));
    return ReadFile(path);
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

} // namespace

TEST(DocDeletedLayout, SizesAndBytes)
{
    CDocDeleted eight;
    eight.grow(8);
    Delete(eight, {0, 7});
    EXPECT_EQ(Saved(eight), Bytes({8, 0, 0, 0, 2, 0, 0, 0, 0x81, 0x00}));

    CDocDeleted seven;
    seven.grow(7);
    Delete(seven, {6});
    EXPECT_EQ(Saved(seven), Bytes({7, 0, 0, 0, 1, 0, 0, 0, 0x40}));

    CDocDeleted none;
    none.grow(0);
    EXPECT_EQ(Saved(none), Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0}));

    CDocDeleted big;
    Delete(big, {0x10203});   // little-endian counts
    std::string bytes = Saved(big);
    ASSERT_EQ(bytes.size(), 8u + 0x10204 / 8 + 1);
    EXPECT_EQ(bytes.substr(0, 8), Bytes({0x04, 0x02, 0x01, 0, 1, 0, 0, 0}));
}

TEST(DocDeletedLayout, SaveAndLoadRoundTrip)
{
    std::string path = cs::test::MakeTempDir("del") + "/_3.del";
    CDocDeleted saved;
    Delete(saved, {1, 5, 64, 99});
    saved.grow(3);
    ASSERT_TRUE(saved.save(path));
    CDocDeleted loaded;
    Delete(loaded, {500});   // replaced by the load
    ASSERT_TRUE(loaded.load(path));
    EXPECT_EQ(loaded.docNum(), 103u);
    EXPECT_EQ(loaded.docDelNum(), 4u);
    EXPECT_EQ(Deleted(loaded), (std::set<int>{1, 5, 64, 99}));
}

TEST(DocDeletedBits, SetClearAndGrow)
{
    CDocDeleted bitmap;
    EXPECT_TRUE(bitmap.empty());
    EXPECT_FALSE(bitmap.isDeleted(3));
    bitmap.setDeleted(20, true);
    EXPECT_EQ(bitmap.docNum(), 21u);
    EXPECT_EQ(bitmap.docDelNum(), 1u);
    bitmap.setDeleted(20, true);
    EXPECT_EQ(bitmap.docDelNum(), 1u);
    bitmap.setDeleted(3, false);
    EXPECT_EQ(bitmap.docDelNum(), 1u);
    bitmap.setDeleted(30, false);   // grows without deleting
    EXPECT_EQ(bitmap.docNum(), 31u);
    EXPECT_EQ(bitmap.docDelNum(), 1u);
    bitmap.setDeleted(20, false);
    EXPECT_EQ(bitmap.docDelNum(), 0u);
    EXPECT_FALSE(bitmap.isDeleted(20));
    Delete(bitmap, {0, 30});
    bitmap.grow(100);
    EXPECT_EQ(bitmap.docNum(), 131u);
    EXPECT_EQ(Deleted(bitmap), (std::set<int>{0, 30}));
    bitmap.clear();
    EXPECT_EQ(bitmap.docNum(), 131u);
    EXPECT_EQ(bitmap.docDelNum(), 0u);
    EXPECT_EQ(Deleted(bitmap), std::set<int>{});

    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { bitmap.isDeleted(-1); }), "ASSERT FAILED: docid >= 0");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { bitmap.setDeleted(-1, true); }), "ASSERT FAILED: docid >= 0");
}

TEST(DocDeletedBits, Append)
{
    CDocDeleted merged;
    merged.grow(5);
    Delete(merged, {4});
    CDocDeleted next;
    next.grow(10);
    Delete(next, {0, 9});
    merged.append(next);
    EXPECT_EQ(merged.docNum(), 15u);
    EXPECT_EQ(merged.docDelNum(), 3u);
    EXPECT_EQ(Deleted(merged), (std::set<int>{4, 5, 14}));

    CDocDeleted nothing;
    merged.append(nothing);
    CDocDeleted zero;
    zero.grow(0);
    merged.append(zero);
    EXPECT_EQ(merged.docNum(), 15u);

    CDocDeleted copy;
    copy.append(merged);
    EXPECT_EQ(Deleted(copy), (std::set<int>{4, 5, 14}));
    copy.append(copy);
    EXPECT_EQ(copy.docNum(), 30u);
    EXPECT_EQ(Deleted(copy), (std::set<int>{4, 5, 14, 19, 20, 29}));
}

TEST(DocDeletedBits, TrimLeadingDeleted)
{
    CDocDeleted bitmap;
    bitmap.grow(5);
    Delete(bitmap, {0, 1, 3});
    bitmap.trimLeadingDeleted();
    EXPECT_EQ(bitmap.docNum(), 3u);
    EXPECT_EQ(bitmap.docDelNum(), 1u);
    EXPECT_EQ(Deleted(bitmap), std::set<int>{1});

    CDocDeleted all;
    all.grow(20);
    for (int d = 0; d < 20; ++d)
        all.setDeleted(d, true);
    all.trimLeadingDeleted();
    EXPECT_EQ(all.docNum(), 0u);
    EXPECT_EQ(all.docDelNum(), 0u);
    EXPECT_EQ(Saved(all), Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0}));

    CDocDeleted kept;
    Delete(kept, {2});
    kept.trimLeadingDeleted();
    EXPECT_EQ(kept.docNum(), 3u);
    EXPECT_EQ(Deleted(kept), std::set<int>{2});
}

TEST(DocDeletedBits, TrimThenAppendBringsNoStaleDeletionBack)
{
    // Leading run of 11 across a byte boundary, then deletions up to the end.
    CDocDeleted bitmap;
    bitmap.grow(24);
    for (int d = 0; d < 11; ++d)
        bitmap.setDeleted(d, true);
    Delete(bitmap, {13, 22, 23});
    bitmap.trimLeadingDeleted();
    EXPECT_EQ(bitmap.docNum(), 13u);
    EXPECT_EQ(Deleted(bitmap), (std::set<int>{2, 11, 12}));
    bitmap.grow(20);
    CDocDeleted clean;
    clean.grow(9);
    bitmap.append(clean);
    EXPECT_EQ(bitmap.docNum(), 42u);
    EXPECT_EQ(bitmap.docDelNum(), 3u);
    EXPECT_EQ(Deleted(bitmap), (std::set<int>{2, 11, 12}));
}

TEST(DocDeletedFiles, MissingFileAndNothingToSave)
{
    std::string dir = cs::test::MakeTempDir("del");
    CDocDeleted bitmap;
    Delete(bitmap, {1});
    cs::test::CLogCapture log;
    EXPECT_FALSE(bitmap.load(dir + "/none.del"));
    EXPECT_EQ(Deleted(bitmap), std::set<int>{1});
    EXPECT_FALSE(bitmap.save(dir + "/no/such/dir.del"));
    EXPECT_TRUE(log.logged("ERROR", "CDocDeleted can't open file " + dir + "/none.del"));
    EXPECT_TRUE(log.logged("ERROR", "CDocDeleted can't open file " + dir + "/no/such/dir.del"));

    CDocDeleted empty;
    EXPECT_FALSE(empty.save(dir + "/empty.del"));
    EXPECT_FALSE(cs::test::FileExists(dir + "/empty.del"));
}

TEST(DocDeletedFiles, TruncatedFilesAreRefusedAndChangeNothing)
{
    std::string dir = cs::test::MakeTempDir("del");
    const std::string full = Bytes({9, 0, 0, 0, 2, 0, 0, 0, 0x03, 0x00});
    struct Case {
        size_t length;
        const char* condition;
    } cases[] = {
        {0, "0 bytes, shorter than its 8-byte header"},
        {3, "3 bytes, shorter than its 8-byte header"},
        {7, "7 bytes, shorter than its 8-byte header"},
        {8, "8 bytes, but its 9 documents need 10"},
        {9, "9 bytes, but its 9 documents need 10"},
    };
    const std::string damaged = "the deleted-documents file " + dir + "/cut.del is damaged: ";
    for (const Case& c : cases) {
        WriteFile(dir + "/cut.del", full.substr(0, c.length));
        CDocDeleted bitmap;
        Delete(bitmap, {4});
        EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { bitmap.load(dir + "/cut.del"); }), damaged + c.condition)
            << c.length;
        EXPECT_EQ(bitmap.docNum(), 5u);
        EXPECT_EQ(Deleted(bitmap), std::set<int>{4});
    }
    // A count of four thousand million documents in a ten-byte file.
    WriteFile(dir + "/huge.del", Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    CDocDeleted bitmap;
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { bitmap.load(dir + "/huge.del"); }),
              "the deleted-documents file " + dir + "/huge.del is damaged: 10 bytes, but its 4294967295 documents "
              "need 536870920");
    EXPECT_TRUE(bitmap.empty());
}

TEST(DocDeletedFiles, StrayBitsAndWrongCountsAreMended)
{
    // Three documents, a count of 5, and bits set beyond the third document.
    std::string path = cs::test::MakeTempDir("del") + "/_1.del";
    WriteFile(path, Bytes({3, 0, 0, 0, 5, 0, 0, 0, 0xF2}));
    CDocDeleted bitmap;
    cs::test::CLogCapture log;
    ASSERT_TRUE(bitmap.load(path));
    EXPECT_TRUE(log.logged("WARN", "CDocDeleted: " + path + " counts 5 deleted documents but marks 1"));
    EXPECT_EQ(bitmap.docDelNum(), 1u);
    EXPECT_EQ(Deleted(bitmap), std::set<int>{1});
    bitmap.grow(5);
    EXPECT_EQ(Deleted(bitmap), std::set<int>{1});
}

TEST(DocDeletedFiles, UnreadableFile)
{
    cs::test::CPublicDir dir;
    std::string path = dir.path() + "/_2.del";
    CDocDeleted bitmap;
    Delete(bitmap, {3});
    ASSERT_TRUE(bitmap.save(path));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    cs::test::ProcessResult result = cs::test::RunForked(
        [&] {
            CDocDeleted other;
            std::printf("load %d save %d\n", other.load(path), bitmap.save(path));
        },
        true);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "load 0 save 0\n");
}

TEST(DocDeletedFiles, FullDiskFailsTheSaveAndLeavesNoValidFile)
{
    std::string dir = cs::test::MakeTempDir("fulldisk");
    cs::test::CFullDiskEnv disk(dir, 0);
    cs::platform::CEnvScope scope(disk);
    CDocDeleted bitmap;
    Delete(bitmap, {7, 70000});
    std::string path = dir + "/_5.del";
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { bitmap.save(path); }),
              "INVALID ARGUMENT: ret == sizeof(m_pdocState->docNum)");
    CDocDeleted reloaded;
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { reloaded.load(path); }),
              "the deleted-documents file " + path + " is damaged: 0 bytes, shorter than its 8-byte header");
}

// The test-side reader is what every index test trusts; check it on barrels
// assembled byte by byte from the file layouts.
#include <gtest/gtest.h>

#include <zlib.h>

#include "support/IndexFiles.h"
#include "support/TestSupport.h"

namespace {

using namespace cs::test;

struct CBytes {
    std::string data;
    void vint(uint64_t v)
    {
        while (v > 0x7F) {
            data += static_cast<char>((v & 0x7F) | 0x80);
            v >>= 7;
        }
        data += static_cast<char>(v);
    }
    void int32(uint32_t v)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            data += static_cast<char>((v >> shift) & 0xFF);
    }
    void int64(uint64_t v)
    {
        int32(static_cast<uint32_t>(v >> 32));
        int32(static_cast<uint32_t>(v));
    }
    void str(const std::string& s)
    {
        vint(s.size());
        data += s;
    }
};

TEST(TestSideReader, DecodesPostingsPositionsStoredFieldsAndDeletions)
{
    std::string dir = MakeTempDir("reader");
    // Field "text": term 5 in documents 0 (positions 3, 7) and 2 (position 1);
    // field "type": document-only term -7 in document 1, term 3 in documents 0, 2.
    CBytes did, pid, tid;
    pid.vint(3); pid.vint(4); pid.vint(1);
    uint64_t q = pid.data.size();
    pid.vint(3);
    did.vint(0); did.vint(2); did.vint(2); did.vint(1);
    uint64_t p1 = did.data.size();
    did.vint(4); did.vint(2); did.vint(3); did.vint(q); did.vint(1); did.vint(4); did.vint(2);
    tid.vint(5); tid.vint(2); tid.vint(p1);
    uint64_t textTrailer = tid.data.size();
    tid.vint(textTrailer); tid.vint(1);
    uint64_t textTid = tid.data.size(), textDid = did.data.size();
    uint64_t typeStart = tid.data.size();
    did.vint(1);
    uint64_t p2 = did.data.size();
    did.vint(1); did.vint(1); did.vint(1); did.vint(0); did.vint(1); did.vint(1); did.vint(1);
    did.vint(0); did.vint(2);
    uint64_t p3 = did.data.size();
    // A merged document posting points at no position data: VLong(-1).
    did.vint(2); did.vint(2); did.vint(2); did.data += std::string(9, '\xFF') + '\x01'; did.vint(1); did.vint(2); did.vint(2);
    tid.vint(static_cast<uint32_t>(-7)); tid.vint(1); tid.vint(p2);
    tid.vint(10); tid.vint(2); tid.vint(p3 - p2);
    uint64_t typeTrailer = tid.data.size();
    tid.vint(typeTrailer - typeStart); tid.vint(2);

    CBytes fdi;
    fdi.int32(3);
    fdi.str("text"); fdi.int32(16 | 2); fdi.int64(3); fdi.int64(1); fdi.int64(textTrailer); fdi.int64(textTid);
    fdi.int64(textDid); fdi.int64(pid.data.size()); fdi.int32(0); fdi.str("1.00");
    fdi.str("type"); fdi.int32(16 | 2); fdi.int64(3); fdi.int64(2); fdi.int64(typeTrailer);
    fdi.int64(tid.data.size() - textTid); fdi.int64(did.data.size() - textDid); fdi.int64(0); fdi.int32(1); fdi.str("1.00");
    fdi.str("abstract"); fdi.int32(32 | 1);

    // Stored: document 0 compressed, document 1 deleted, document 2 raw.
    std::string text = std::string(200, 'a') + '\0';
    std::string packed(text.size() + 10, '\0');
    uLongf packedSize = packed.size();
    ASSERT_EQ(compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
                       reinterpret_cast<const Bytef*>(text.data()), text.size()), Z_OK);
    CBytes sfd, sfi;
    sfi.int64(0);
    sfd.vint(1); sfd.vint(2); sfd.vint(text.size()); sfd.vint(packedSize); sfd.data += packed.substr(0, packedSize);
    sfi.int64(UINT64_MAX);
    sfi.int64(sfd.data.size());
    sfd.vint(1); sfd.vint(2); sfd.vint(3); sfd.vint(0); sfd.data += std::string("xy\0", 3);

    WriteFile(dir + "/_0.tid", tid.data);
    WriteFile(dir + "/_0.did", did.data);
    WriteFile(dir + "/_0.pid", pid.data);
    WriteFile(dir + "/_0.fdi", fdi.data);
    WriteFile(dir + "/_0.sfi", sfi.data);
    WriteFile(dir + "/_0.sfd", sfd.data);
    WriteFile(dir + "/_0.del", std::string("\x03\0\0\0\x01\0\0\0\x02", 9));

    std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/_0.fdi");
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_FALSE(fields[2].indexed());

    std::vector<TermPostings> textTerms = ReadFieldPostings(dir, "_0", fields[0]);
    ASSERT_EQ(textTerms.size(), 1u);
    EXPECT_EQ(textTerms[0].term, 5);
    EXPECT_EQ(textTerms[0].docs, (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(textTerms[0].positions[0], (std::vector<uint32_t>{3, 7}));
    EXPECT_EQ(textTerms[0].positions[1], (std::vector<uint32_t>{1}));

    std::vector<TermPostings> typeTerms = ReadFieldPostings(dir, "_0", fields[1]);
    ASSERT_EQ(typeTerms.size(), 2u);
    EXPECT_EQ(typeTerms[0].term, -7);
    EXPECT_EQ(typeTerms[1].term, 3);
    EXPECT_FALSE(typeTerms[1].withPositions);
    EXPECT_EQ(typeTerms[1].docs, (std::vector<uint32_t>{0, 2}));

    std::vector<StoredDocument> stored = ReadStoredFields(dir, "_0", fields);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_TRUE(stored[0].fields[0].compressed);
    EXPECT_EQ(stored[0].fields[0].text, std::string(200, 'a'));
    EXPECT_TRUE(stored[1].deleted);
    EXPECT_EQ(stored[2].fields[0].text, "xy");

    DeletedDocs deleted = ReadDeletedDocs(dir + "/_0.del");
    EXPECT_EQ(deleted.deleted, (std::vector<bool>{false, true, false}));

    WriteFile(dir + "/index_status.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<database><version>cs.1.0.0</version>"
              "<barrel_counter>1</barrel_counter><barrel_count>1</barrel_count><barrels><barrel>"
              "<name>_0</name><doc_start>0</doc_start><doc_count>3</doc_count><deleted_count>1</deleted_count>"
              "</barrel></barrels><content_mode/></database>\n");
    EXPECT_EQ(CheckIndex(dir), "");

    WriteFile(dir + "/_0.del", std::string("\x03\0\0\0\x02\0\0\0\x03", 9));
    EXPECT_NE(CheckIndex(dir).find("deletions"), std::string::npos);
}

} // namespace

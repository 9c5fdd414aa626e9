// Field information: building, statistics and the .fdi file, decoded by the
// test-side reader.
#include <gtest/gtest.h>

#include <memory>

#include "IndexTestKit.h"
#include "content/ContentMode.h"
#include "index/fields/FieldInfoList.h"
#include "store/ContentDirectory.h"

namespace {

using namespace cs::test;
using cs::content::CContentMode;
using cs::content::CField;
using cs::content::CModeItem;
using cs::index::CFieldInfo;
using cs::index::CFieldInfoList;

void Mode(CContentMode& mode)
{
    mode.addItem(CModeItem("text", 16, 2, 0, 1.0f));
    mode.addItem(CModeItem("user", 16, 2, 1, 2.5f));
    mode.addItem(CModeItem("abstract", 32, 1));
}

void WriteFdi(const CFieldInfoList& list, const std::string& dir)
{
    cs::store::CContentDirectory directory(dir, 1);
    std::unique_ptr<cs::store::CIndexOutput> pOutput(directory.createOutput("_0.fdi"));
    list.write(*pOutput);
    pOutput->close();
}

void ReadFdi(CFieldInfoList& list, const std::string& dir)
{
    cs::store::CContentDirectory directory(dir, 1);
    std::unique_ptr<cs::store::CIndexInput> pInput(directory.openInput("_0.fdi"));
    list.read(*pInput);
}

TEST(FieldInfoList, BuiltFromTheContentMode)
{
    CContentMode mode;
    Mode(mode);
    CFieldInfoList list;
    list.buildFromMode(mode);
    ASSERT_EQ(list.getFieldCount(), 3);
    EXPECT_EQ(list.getField(1)->getName(), "user");
    EXPECT_EQ(list.getField(1)->getFlags(), 16 | 2);
    EXPECT_EQ(list.getField(1)->getIndexWay(), 1);
    EXPECT_FLOAT_EQ(list.getField(1)->getBoost(), 2.5f);
    EXPECT_EQ(list.getField(1)->getTermDictTrailer(), -1);
    EXPECT_FALSE(list.getField(2)->isIndexed());
    EXPECT_EQ(list.find("abstract"), list.getField(2));
    EXPECT_EQ(list.find("Abstract"), nullptr);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { list.getField(3); }),
              "INVALID ARGUMENT: fid >= 0 && fid < m_nFieldInfoCount");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { list.getField(-1); }),
              "INVALID ARGUMENT: fid >= 0 && fid < m_nFieldInfoCount");
}

TEST(FieldInfoList, DocumentFieldsSetFlagsUntilTermsAreCountedAndCountTokens)
{
    CContentMode mode;
    Mode(mode);
    CFieldInfoList list;
    list.buildFromMode(mode);

    CField empty(0, "text", 2, 16);
    empty.newTokens();   // analysed, no text
    list.addField(&empty);
    EXPECT_EQ(list.getField(0)->getFlags(), 16 | 2);   // kind 0 (empty) in the high byte
    EXPECT_EQ(list.getField(0)->getTotalTerms(), 0);

    auto pText = TokenField(0, {1, -1, 2}, "text");
    list.addField(pText.get());
    EXPECT_EQ(list.getField(0)->getFlags(), (1 << 24) | 16 | 2);
    EXPECT_EQ(list.getField(0)->getTotalTerms(), 3);   // stop words count too
    // Terms counted: the flags stay as they are.
    list.addField(&empty);
    EXPECT_EQ(list.getField(0)->getFlags(), (1 << 24) | 16 | 2);
    list.addField(pText.get());
    EXPECT_EQ(list.getField(0)->getTotalTerms(), 6);

    CField stored(2, "abstract", 1, 32);
    stored.setText("abc", 3);
    list.addField(&stored);
    EXPECT_EQ(list.getField(2)->getFlags(), (1 << 24) | 32 | 1);
    EXPECT_EQ(list.getField(2)->getTotalTerms(), 0);

    CField outside(3, "other", 2, 16);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { list.addField(&outside); }),
              "INVALID ARGUMENT: pField->getFieldID()>=0 && pField->getFieldID()<m_nFieldInfoCount");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { list.addField(nullptr); }), "INVALID ARGUMENT: pField");

    list.getField(0)->setDistinctTerms(4);
    list.getField(0)->setTermDictTrailer(99);
    list.getField(0)->setDocPostingBytes(7);
    list.resetStatistics();
    EXPECT_EQ(list.getField(0)->getTotalTerms(), 0);
    EXPECT_EQ(list.getField(0)->getDistinctTerms(), 0);
    EXPECT_EQ(list.getField(0)->getTermDictTrailer(), -1);
    EXPECT_EQ(list.getField(0)->getDocPostingBytes(), 0);
    EXPECT_EQ(list.getField(0)->getFlags(), (1 << 24) | 16 | 2);
}

TEST(FieldInfoList, FdiTakesIndexWayAndBoostFromTheMode)
{
    CContentMode mode;
    Mode(mode);
    CFieldInfoList list;
    list.buildFromMode(mode);
    CFieldInfo& user = *list.getField(1);
    user.setTotalTerms(0x100000002LL);
    user.setDistinctTerms(3);
    user.setTermDictTrailer(40);
    user.setTermDictBytes(45);
    user.setDocPostingBytes(60);
    user.setPosPostingBytes(0);
    user.setIndexWay(0);      // the field's own values are not written
    user.setBoost(9.0f);

    std::string dir = MakeTempDir("fdi");
    WriteFdi(list, dir);
    std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/_0.fdi");
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0].name, "text");
    EXPECT_EQ(fields[0].trailer, -1);
    EXPECT_EQ(fields[0].boost, "1.00");
    EXPECT_EQ(fields[1].flags, 16 | 2);
    EXPECT_EQ(fields[1].totalTerms, 0x100000002LL);
    EXPECT_EQ(fields[1].distinctTerms, 3);
    EXPECT_EQ(fields[1].trailer, 40);
    EXPECT_EQ(fields[1].tidBytes, 45);
    EXPECT_EQ(fields[1].didBytes, 60);
    EXPECT_EQ(fields[1].pidBytes, 0);
    EXPECT_EQ(fields[1].indexWay, 1);
    EXPECT_EQ(fields[1].boost, "2.50");
    // A field that is not indexed writes its name and flags only.
    EXPECT_EQ(fields[2].flags, 32 | 1);
    std::string fdi = ReadFile(dir + "/_0.fdi");
    EXPECT_EQ(fdi.substr(fdi.size() - 13), std::string("\x08" "abstract" "\0\0\0\x21", 13));

    CFieldInfoList back;
    ReadFdi(back, dir);
    ASSERT_EQ(back.getFieldCount(), 3);
    EXPECT_EQ(back.getField(1)->getID(), 1);
    EXPECT_EQ(back.getField(1)->getTotalTerms(), 0x100000002LL);
    EXPECT_EQ(back.getField(1)->getTermDictBytes(), 45);
    EXPECT_EQ(back.getField(1)->getIndexWay(), 1);
    EXPECT_FLOAT_EQ(back.getField(1)->getBoost(), 2.5f);
    EXPECT_EQ(back.getField(2)->getTermDictTrailer(), -1);
    EXPECT_EQ(back.find("user"), back.getField(1));
}

TEST(FieldInfoList, WritingNeedsAModeAndDefaultsAFieldItLacks)
{
    CFieldInfoList list;
    std::string dir = MakeTempDir("fdi-mode");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { WriteFdi(list, dir); }), "INVALID OPERATION: m_pMode != NULL");

    CContentMode mode;
    Mode(mode);
    list.buildFromMode(mode);
    CContentMode other;
    other.addItem(CModeItem("user", 16, 2, 1, 3.0f));
    list.setContentMode(&other);
    CLogCapture log;
    WriteFdi(list, dir);
    EXPECT_TRUE(log.logged("ERROR", "fieldinfo text can't find mode!"));
    std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/_0.fdi");
    EXPECT_EQ(fields[0].indexWay, 0);
    EXPECT_EQ(fields[0].boost, "1.00");
    EXPECT_EQ(fields[1].boost, "3.00");
}

TEST(FieldInfoList, ReadingOddFiles)
{
    std::string dir = MakeTempDir("fdi-odd");
    // One indexed field whose boost text does not convert.
    std::string fdi = std::string("\0\0\0\x01", 4) + "\x01" "t" + std::string("\0\0\0\x12", 4) +
                      std::string(48, '\0') + std::string("\0\0\0\x01", 4) + "\x03" "abc";
    WriteFile(dir + "/_0.fdi", fdi);
    CFieldInfoList list;
    ReadFdi(list, dir);
    ASSERT_EQ(list.getFieldCount(), 1);
    EXPECT_FLOAT_EQ(list.getField(0)->getBoost(), 1.0f);
    EXPECT_EQ(list.getField(0)->getIndexWay(), 1);

    WriteFile(dir + "/_0.fdi", std::string("\0\0\0\0", 4));
    CLogCapture log;
    ReadFdi(list, dir);
    EXPECT_EQ(list.getFieldCount(), 0);
    EXPECT_TRUE(log.logged("ERROR", "no field while reading field information file!"));
}

TEST(FieldInfoList, MergeCopiesOntoTheSameNameOrAppends)
{
    CContentMode mode;
    Mode(mode);
    CFieldInfoList list;
    list.buildFromMode(mode);
    CFieldInfo incoming(7, "user", 16 | 4, 0, 1.5f);
    incoming.setDistinctTerms(12);
    list.mergeField(incoming);
    EXPECT_EQ(list.getFieldCount(), 3);
    EXPECT_EQ(list.getField(1)->getID(), 7);
    EXPECT_EQ(list.getField(1)->getFlags(), 16 | 4);
    EXPECT_EQ(list.getField(1)->getDistinctTerms(), 12);
    EXPECT_EQ(list.getField(1)->getName(), "user");

    list.mergeField(CFieldInfo(3, "mail_send", 16 | 2));
    EXPECT_EQ(list.getFieldCount(), 4);
    EXPECT_EQ(list.find("mail_send"), list.getField(3));
}

} // namespace

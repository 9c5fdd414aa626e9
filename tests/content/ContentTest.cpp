#include <functional>

#include <gtest/gtest.h>

#include "analyze/CrcAnalyzer.h"
#include "analyze/TypeAnalyzer.h"
#include "content/Content.h"
#include "content/ContentMode.h"
#include "support/TestSupport.h"

using cs::analyze::CTokenList;
using cs::analyze::wid_t;
using cs::content::CContent;
using cs::content::CContentMode;
using cs::content::CField;
using cs::content::CModeItem;

namespace {

// Fields 0 "text" (analysed), 1 "type" (analysed), 2 "path" (stored only),
// 3 "code" (indexed unanalysed).
class ContentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_mode.addItem(CModeItem("text", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE));
        m_mode.addItem(CModeItem("type", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE, CModeItem::WAY_DOCUMENTS));
        m_mode.addItem(CModeItem("path", CModeItem::STORE_UNCOMPRESS, CModeItem::INDEX_NO));
        m_mode.addItem(CModeItem("code", CModeItem::STORE_COMPRESS, CModeItem::INDEX_UNANALYZE));
        m_analyzers = {{0, &m_crc}, {1, &m_type}};
    }

    static std::string Text(const CField& field) { return std::string(field.getText(), field.getTextLength()); }
    static std::vector<wid_t> Tokens(const CField& field)
    {
        auto* pTokens = dynamic_cast<CTokenList<wid_t>*>(field.getTokens());
        return pTokens ? std::vector<wid_t>(pTokens->begin(), pTokens->end()) : std::vector<wid_t>{};
    }

    CContentMode m_mode;
    cs::analyze::CCrcAnalyzer m_crc;
    cs::analyze::CTypeAnalyzer m_type;
    cs::analyze::AnalyzerMap m_analyzers;
};

std::string AssertionText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::logic_error& e) {
        return e.what();
    }
    return std::string();
}

} // namespace

TEST_F(ContentTest, FieldsFollowTheContentMode)
{
    CContent content(m_mode);
    ASSERT_EQ(content.fieldCount(), 4u);
    const uint8_t indexModes[] = {2, 2, 1, 4};
    const int32_t storeModes[] = {16, 16, 64, 32};
    for (size_t i = 0; i < content.fieldCount(); ++i) {
        EXPECT_EQ(content.field(i).getFieldID(), i);
        EXPECT_EQ(content.field(i).getName(), m_mode.item(i).getName());
        EXPECT_EQ(content.field(i).getIndexMode(), indexModes[i]);
        EXPECT_EQ(content.field(i).getStoreMode(), storeModes[i]);
        EXPECT_EQ(content.field(i).getType(), CField::EMPTY);
        EXPECT_EQ(content.field(i).getTokens(), nullptr);
    }
    EXPECT_EQ(content.getState(), CContent::STATE_NEW);
    EXPECT_EQ(content.getInput(), nullptr);
}

TEST_F(ContentTest, SettingTextTwiceKeepsTheSecond)
{
    CContent content(m_mode);
    content.setFieldText(2, "a much longer first path value");
    content.setFieldText(2, "b\0c", 3);
    EXPECT_EQ(content.field(2).getType(), CField::TEXT);
    EXPECT_EQ(Text(content.field(2)), std::string("b\0c", 3));
    EXPECT_EQ(content.findField(2), &content.field(2));
    EXPECT_EQ(content.findField(4), nullptr);
}

TEST_F(ContentTest, UnknownFieldIdAndNonTextReadsAreProgrammingErrors)
{
    CContent content(m_mode);
    EXPECT_NE(AssertionText([&] { content.setFieldText(4, "x"); }).find("ASSERT FAILED: iter != m_fieldList.end()"),
              std::string::npos);
    EXPECT_NE(AssertionText([&] { content.field(0).getText(); }).find("ASSERT FAILED: m_data.ft == CField::TEXT"),
              std::string::npos);
    content.setFieldNumber(3, -42);
    EXPECT_EQ(content.field(3).getType(), CField::NUMBER);
    EXPECT_EQ(content.field(3).getNumber(), -42);
    EXPECT_NE(AssertionText([&] { content.field(3).getTextLength(); }).find("ASSERT FAILED: m_data.ft == CField::TEXT"),
              std::string::npos);
}

TEST_F(ContentTest, AnalysisGivesEveryAnalysedFieldAList)
{
    CContent content(m_mode);
    content.setFieldText(0, "123456789");
    content.setFieldText(1, "");   // empty text: an empty list, the analyzer is not asked
    content.setFieldText(2, "/data/a.txt");
    content.setFieldText(3, "x");
    content.analyze(m_analyzers);
    EXPECT_EQ(content.getState(), CContent::STATE_ANALYZED);
    EXPECT_EQ(Tokens(content.field(0)), (std::vector<wid_t>{-873187034}));
    ASSERT_NE(content.field(1).getTokens(), nullptr);
    EXPECT_EQ(content.field(1).getTokens()->size(), 0u);
    EXPECT_EQ(content.field(2).getTokens(), nullptr);
    EXPECT_EQ(content.field(3).getTokens(), nullptr);

    // A field without text gets an empty list too.
    content.clear();
    content.setFieldText(1, "mail");
    content.analyze(m_analyzers);
    ASSERT_NE(content.field(0).getTokens(), nullptr);
    EXPECT_EQ(content.field(0).getTokens()->size(), 0u);
    EXPECT_EQ(Tokens(content.field(1)), (std::vector<wid_t>{4}));
}

TEST_F(ContentTest, AnalysedFieldWithoutAnalyzerIsAProgrammingError)
{
    CContent content(m_mode);
    content.setFieldText(1, "web");
    m_analyzers.erase(1);
    EXPECT_NE(AssertionText([&] { content.analyze(m_analyzers); }).find("ASSERT FAILED: it != analyzers.end()"),
              std::string::npos);
}

TEST_F(ContentTest, ClearResetsAllButTheBuffer)
{
    CContent content(m_mode);
    content.setRecordKind('M');
    content.setFileType(2);
    content.setFileInput("/log/a.eml", 0);
    content.setBufferInput(2, "row bytes", 9);
    content.setFieldText(0, "abc");
    content.setFieldText(1, "chat");
    content.setFieldNumber(3, 7);
    content.analyze(m_analyzers);
    content.clear();

    for (size_t i = 0; i < content.fieldCount(); ++i) {
        EXPECT_EQ(content.field(i).getType(), CField::EMPTY) << i;
        EXPECT_EQ(content.field(i).getTokens(), nullptr) << i;
    }
    EXPECT_EQ(content.getState(), CContent::STATE_NEW);
    ASSERT_NE(content.getInput(), nullptr);
    ASSERT_NE(content.getInput()->getFileRef(), nullptr);
    EXPECT_EQ(content.getInput()->getFileRef()->path, "");
    ASSERT_EQ(content.getInput()->bufferCount(), 1u);
    EXPECT_STREQ(content.getInput()->getBuffer(0).data(), "row bytes");
    EXPECT_EQ(content.getInput()->getBuffer(0).fieldId, 2);
    // Bookkeeping set by the collection stays until it sets it again.
    EXPECT_EQ(content.getRecordKind(), 'M');
    EXPECT_EQ(content.getFileType(), 2);
}

TEST_F(ContentTest, FileInputIsOverwritten)
{
    CContent content(m_mode);
    content.setFileInput("/log/first.html", 0);
    content.setFileInput("/log/second.txt", 2);
    const auto* pFile = content.getInput()->getFileRef();
    ASSERT_NE(pFile, nullptr);
    EXPECT_EQ(pFile->path, "/log/second.txt");
    EXPECT_EQ(pFile->fieldId, 2);
    EXPECT_EQ(content.getInput()->bufferCount(), 0u);
}

TEST_F(ContentTest, BufferInputReplacesSlotZero)
{
    CContent content(m_mode);
    content.setBufferInput(0, "first buffer", 12);
    ASSERT_EQ(content.getInput()->getFileRef(), nullptr);
    content.setBufferInput(1, "ab\0c", 4);
    ASSERT_EQ(content.getInput()->bufferCount(), 1u);
    const auto& buffer = content.getInput()->getBuffer(0);
    EXPECT_EQ(buffer.fieldId, 1);
    EXPECT_EQ(buffer.length(), 4u);
    EXPECT_EQ(buffer.allocated(), 5u);
    EXPECT_EQ(std::string(buffer.data(), 5), std::string("ab\0c\0", 5));

    content.setBufferInput(0, "", 0);
    EXPECT_EQ(buffer.length(), 0u);
    EXPECT_EQ(buffer.allocated(), 1u);
    EXPECT_EQ(buffer.data()[0], '\0');
    content.setBufferInput(0, nullptr, 0);
    EXPECT_EQ(buffer.allocated(), 1u);
    EXPECT_EQ(buffer.data()[0], '\0');
}

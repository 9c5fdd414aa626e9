#include "ParseTestKit.h"

#include <iconv.h>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace cs::test {

using content::CModeItem;

const content::CContentMode& ParseTestMode()
{
    static content::CContentMode mode;
    if (mode.size() == 0) {
        mode.addItem(CModeItem("text", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE));
        mode.addItem(CModeItem("abstract", CModeItem::STORE_COMPRESS, CModeItem::INDEX_NO));
        mode.addItem(CModeItem("user", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE));
        mode.addItem(CModeItem("mail_send", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE));
        mode.addItem(CModeItem("mail_recv", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE));
    }
    return mode;
}

std::unique_ptr<content::CContent> NewDocument(int32_t fileType, uint16_t recordKind)
{
    auto content = std::make_unique<content::CContent>(ParseTestMode());
    content->setFileType(fileType);
    content->setRecordKind(recordKind);
    return content;
}

std::string FieldText(const content::CContent& content, const char* name)
{
    const content::CModeItem* pItem = ParseTestMode().find(name);
    const content::CField* pField = pItem ? content.findField(static_cast<uint32_t>(pItem->getFieldID())) : nullptr;
    if (!pField || pField->getType() != content::CField::TEXT)
        return "<none>";
    return std::string(pField->getText(), pField->getTextLength());
}

std::string Recode(const std::string& text, const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv_open failed");
    std::string result(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* out = result.data();
    size_t outLeft = result.size();
    size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0)
        throw std::runtime_error("text does not convert");
    result.resize(result.size() - outLeft);
    return result;
}

std::string LogicErrorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::logic_error& e) {
        return e.what();
    }
    return std::string();
}

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

void ExpectSourceWords(const std::string& sourceFile, const std::string& utf8Text)
{
    for (const std::string& word : Words(ReadFile(std::string(CS_TEST_DATA_DIR) + "/office/" + sourceFile))) {
        bool representable = true;
        try {
            Gbk(word);
        } catch (const std::runtime_error&) {
            representable = false;
        }
        if (representable)
            EXPECT_NE(utf8Text.find(word), std::string::npos) << "missing \"" << word << "\" in:\n" << utf8Text;
        else
            EXPECT_EQ(utf8Text.find(word), std::string::npos);
    }
    EXPECT_GT(Words(utf8Text).size(), 5u);
}

} // namespace cs::test

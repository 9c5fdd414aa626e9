// Stored mail (file type 2): the subject and the text of every textual part,
// in GBK, with the sender and the recipients in fields of their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "content/FileType.h"
#include "parse/ParseBuffer.h"
#include "parse/Parser.h"
#include "parse/TextFields.h"
#include "parse/mime/MimeMessage.h"

namespace cs::parse {

class CEmlParser : public CParser {
public:
    // Mail files of this size or more are dropped, and so is mail text of it.
    static constexpr int64_t MAX_MAIL_LENGTH = 10485760;

    int parse(content::CContent* content) override;
    void setContentMode(const content::CContentMode* pMode) override;

private:
    // Reads the document's file into the read buffer; false (logged) when it
    // is missing, empty, too long or unreadable.
    bool readMail(const content::CContent& content);
    void appendSubject();
    void appendPart(const CMimeBody& part);
    void appendPiece(std::string_view piece);
    // `length` bytes of `text` in `encoding`, in GBK: UTF-8 and Big5 (by the
    // name `big5Name`) are converted, anything else is taken as it is.
    std::string_view inGbk(int32_t encoding, const std::string& big5Name, const char* text, size_t length);

    CTextFields m_fields;
    int m_sendId = -1;
    int m_recvId = -1;

    CParseBuffer m_readBuffer;
    CMimeMessage m_message;
    std::vector<const CMimeBody*> m_parts;
    std::string m_mailText;
    std::string m_charset;   // of the part being read, as written
    int32_t m_encoding = content::encoding::UNKNOWN;
    std::string m_sender;
    std::string m_recipients;

    std::string m_converted;
    std::string m_visible;
    std::string m_decoded;   // the visible text with its character references decoded
    std::string m_collapsed;
};

} // namespace cs::parse

// Mail parsing speed, in messages per second over a corpus of generated mail
// files: single-part and multipart messages, quoted-printable and base64,
// UTF-8, GBK and Big5 text, HTML alternatives and binary attachments. One
// parser serves the whole corpus, as the index writer uses it.
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "content/Content.h"
#include "content/ContentMode.h"
#include "content/FileType.h"
#include "parse/EmlParser.h"
#include "support/BenchWorkDir.h"
#include "utility/StringConvertor.h"

using namespace cs::parse;
using cs::content::CModeItem;

namespace {

constexpr size_t kCorpusSize = 3000;

const cs::content::CContentMode& Mode()
{
    static cs::content::CContentMode mode;
    if (mode.size() == 0) {
        mode.addItem(CModeItem("text", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE));
        mode.addItem(CModeItem("abstract", CModeItem::STORE_COMPRESS, CModeItem::INDEX_NO));
        mode.addItem(CModeItem("mail_send", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE));
        mode.addItem(CModeItem("mail_recv", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE));
    }
    return mode;
}

std::string Base64(const std::string& bytes)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t column = 0;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 2]);
        for (size_t k = 0; k < 4; ++k)
            out += i + k <= bytes.size() ? kAlphabet[(group >> (18 - 6 * k)) & 63] : '=';
        if ((column += 4) == 76) {
            out += "\r\n";
            column = 0;
        }
    }
    return out + "\r\n";
}

std::string EncodedWord(const std::string& utf8)
{
    std::string encoded = Base64(utf8);
    return "=?UTF-8?B?" + encoded.substr(0, encoded.size() - 2) + "?=";
}

std::string QuotedPrintable(const std::string& bytes)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    size_t column = 0;
    for (char c : bytes) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '\n') {
            out += "\r\n";
            column = 0;
            continue;
        }
        std::string piece = (u >= 33 && u <= 126 && c != '=') || c == ' '
                                ? std::string(1, c)
                                : std::string{'=', kHex[u >> 4], kHex[u & 15]};
        if (column + piece.size() > 75) {
            out += "=\r\n";
            column = 0;
        }
        out += piece;
        column += piece.size();
    }
    return out + "\r\n";
}

class CCorpusWriter {
public:
    // Writes the corpus and returns the file paths.
    std::vector<std::string> write(size_t count, size_t& totalBytes)
    {
        std::vector<std::string> paths;
        totalBytes = 0;
        for (size_t i = 0; i < count; ++i) {
            std::string mail = message(i);
            paths.push_back(cs::bench::WorkDir() + "/mail" + std::to_string(i) + ".eml");
            std::ofstream(paths.back(), std::ios::binary) << mail;
            totalBytes += mail.size();
        }
        return paths;
    }

private:
    std::string paragraph(size_t sentences)
    {
        static const char* const kSentences[] = {
            "本周五下午三点在三楼会议室讨论第二季度的索引服务上线计划，请准时参加。",
            "附件是三月份的服务器巡检报告和机房照片，请查收。",
            "The nightly merge finished at 03:12 with 42 barrels left after the run.",
            "如有问题请回复本邮件，或者直接联系运维值班人员。",
            "Please review the attached figures before Monday's meeting.",
            "索引程序现在在后台合并分段，查询延迟明显下降。",
        };
        std::string text;
        for (size_t i = 0; i < sentences; ++i)
            text += std::string(kSentences[m_random() % 6]) + (i % 3 == 2 ? "\n" : " ");
        return text + "\n";
    }

    std::string header(size_t i, const std::string& contentType)
    {
        return "Return-Path: <user" + std::to_string(i % 97) + "@example.org>\r\n"
               "Received: from mail.example.org (mail.example.org [192.0.2.10])\r\n"
               "\tby mx.example.com with ESMTP id " + std::to_string(i) + "; Tue, 5 Mar 2024 09:12:44 +0800\r\n"
               "From: \"User " + std::to_string(i % 97) + "\" <user" + std::to_string(i % 97) + "@example.org>\r\n"
               "To: Zhang San <zhang.san@example.com>, wang.wu@example.net\r\n"
               "Cc: Zhao Liu <zhao.liu@example.com>\r\n"
               "Subject: " + EncodedWord("会议纪要 " + std::to_string(i)) + "\r\n"
               "Date: Tue, 5 Mar 2024 09:12:40 +0800\r\n"
               "Message-ID: <" + std::to_string(i) + ".4F2A1@example.org>\r\nMIME-Version: 1.0\r\n"
               "Content-Type: " + contentType + "\r\n";
    }

    std::string attachment()
    {
        std::string bytes(2048 + m_random() % 8192, '\0');
        for (char& c : bytes)
            c = static_cast<char>(m_random());
        return "Content-Type: application/octet-stream; name=\"data.bin\"\r\n"
               "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"data.bin\"\r\n\r\n" +
               Base64(bytes);
    }

    std::string message(size_t i)
    {
        std::string text = paragraph(3 + m_random() % 30);
        switch (i % 5) {
        case 0:   // single part, UTF-8 quoted-printable
            return header(i, "text/plain; charset=utf-8") + "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
                   QuotedPrintable(text);
        case 1:   // single part, GBK base64
            return header(i, "text/plain; charset=\"gb2312\"") + "Content-Transfer-Encoding: base64\r\n\r\n" +
                   Base64(m_toGbk.convert(text));
        case 2:   // alternative: UTF-8 quoted-printable and HTML in base64
            return header(i, "multipart/alternative; boundary=\"alt\"") + "\r\n--alt\r\n" +
                   "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
                   QuotedPrintable(text) + "\r\n--alt\r\nContent-Type: text/html; charset=\"utf-8\"\r\n" +
                   "Content-Transfer-Encoding: base64\r\n\r\n" +
                   Base64("<html><head><style>p{margin:0}</style></head><body><p>" + text + "</p></body></html>") +
                   "--alt--\r\n";
        case 3:   // mixed: GBK quoted-printable text and an attachment
            return header(i, "multipart/mixed; boundary=mix") + "\r\n--mix\r\n" +
                   "Content-Type: text/plain; charset=gbk\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
                   QuotedPrintable(m_toGbk.convert(text)) + "\r\n--mix\r\n" + attachment() + "--mix--\r\n";
        default:   // nested: alternative inside mixed, Big5 part, attachment
            return header(i, "multipart/mixed; boundary=\"outer\"") + "\r\n--outer\r\n" +
                   "Content-Type: multipart/alternative; boundary=inner\r\n\r\n--inner\r\n" +
                   "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + text +
                   "\r\n--inner\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<html><body><p>" + text +
                   "</p></body></html>\r\n--inner--\r\n\r\n--outer\r\n" +
                   "Content-Type: text/plain; charset=big5\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                   Base64(m_toBig5.convert("臺灣分公司的季度報告已經完成，請參閱。\n")) + "\r\n--outer\r\n" +
                   attachment() + "--outer--\r\n";
        }
    }

    std::mt19937 m_random{20240305};
    cs::utility::CStringConvertor m_toGbk{"gbk", "utf-8"};
    cs::utility::CStringConvertor m_toBig5{"big5", "utf-8"};
};

void BM_EmlParserCorpus(benchmark::State& state)
{
    static size_t totalBytes = 0;
    static const std::vector<std::string> paths = CCorpusWriter().write(kCorpusSize, totalBytes);
    CEmlParser parser;
    parser.setContentMode(&Mode());
    cs::content::CContent content(Mode());
    for (auto _ : state) {
        for (const std::string& path : paths) {
            content.setFileType(cs::content::filetype::EML);
            content.setFileInput(path, 0);
            if (parser.parse(&content) != 1)
                state.SkipWithError("mail dropped");
            content.clear();
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * paths.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * totalBytes));
}
BENCHMARK(BM_EmlParserCorpus)->Unit(benchmark::kMillisecond);

} // namespace

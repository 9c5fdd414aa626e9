// Load speed of the MIME library: a large mail (quoted-printable text, a
// base64 attachment) and a typical small multipart/alternative mail, in bytes
// per second of mail text.
#include <string>

#include <benchmark/benchmark.h>

#include "parse/mime/MimeMessage.h"

namespace {

std::string Base64Lines(size_t lines)
{
    std::string text;
    for (size_t i = 0; i < lines; ++i)
        text += "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5ejAxMjM0\r\n";
    return text;
}

std::string QuotedPrintableLines(size_t lines)
{
    std::string text;
    for (size_t i = 0; i < lines; ++i)
        text += "=E4=B8=AD=E6=96=87 words of a report line, with a soft break at the end =\r\n";
    return text;
}

std::string Mail(size_t textLines, size_t attachmentLines)
{
    return "From: \"Li Si\" <li.si@example.org>\r\nTo: a@example.com, b@example.com\r\n"
           "Subject: =?UTF-8?B?5Lya6K6u57qq6KaB?=\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"outer\"\r\n\r\n"
           "--outer\r\nContent-Type: multipart/alternative; boundary=inner\r\n\r\n"
           "--inner\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
           QuotedPrintableLines(textLines) +
           "\r\n--inner\r\nContent-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           Base64Lines(textLines) + "\r\n--inner--\r\n\r\n--outer\r\nContent-Type: application/octet-stream\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" +
           Base64Lines(attachmentLines) + "\r\n--outer--\r\n";
}

void Load(benchmark::State& state, const std::string& mail)
{
    cs::parse::CMimeMessage message;
    for (auto _ : state) {
        int loaded = message.Load(mail.data(), mail.size());
        benchmark::DoNotOptimize(loaded);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * mail.size()));
}

void BM_MimeLoadLargeMail(benchmark::State& state)
{
    static const std::string mail = Mail(20000, 100000);   // about 9 MiB
    Load(state, mail);
}
BENCHMARK(BM_MimeLoadLargeMail)->Unit(benchmark::kMillisecond);

void BM_MimeLoadSmallMail(benchmark::State& state)
{
    static const std::string mail = Mail(20, 40);   // about 6 KiB
    Load(state, mail);
}
BENCHMARK(BM_MimeLoadSmallMail)->Unit(benchmark::kMicrosecond);

} // namespace

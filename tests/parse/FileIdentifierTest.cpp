// File-type identification on real files: the extension proposes, the
// content confirms, sniffing decides the rest.
#include <string>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "ParseTestKit.h"
#include "content/FileType.h"
#include "parse/ContentFile.h"
#include "parse/FileIdentifier.h"
#include "support/TestSupport.h"

using namespace cs::parse;
using cs::test::LogicErrorText;

namespace {

const std::string kCompound("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

std::string Scrambled(std::string text)
{
    Unscramble(text.data(), text.size());
    return text;
}

class FileIdentifierTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir = cs::test::MakeTempDir("identify"); }

    int32_t identify(const std::string& name, const std::string& content)
    {
        std::string path = m_dir + "/" + name;
        cs::test::WriteFile(path, content);
        return IdentifyFileType(path.c_str());
    }

    std::string m_dir;
};

} // namespace

TEST(FileExtensionTest, LastDotAtMostTwentyCharacters)
{
    EXPECT_EQ(GetFileExtension("report.txt"), "txt");
    EXPECT_EQ(GetFileExtension("/data/x.tar.gz"), "gz");
    EXPECT_EQ(GetFileExtension(".bashrc"), "bashrc");
    EXPECT_EQ(GetFileExtension("name."), "");
    EXPECT_EQ(GetFileExtension("README"), "README");   // no dot: the whole name
    EXPECT_EQ(GetFileExtension(""), "");
    EXPECT_EQ(GetFileExtension("a.abcdefghijklmnopqrstuvwxyz"), "abcdefghijklmnopqrst");
    EXPECT_EQ(GetFileExtension("/v1.2/notes"), "2/notes");
}

TEST(FileExtensionTest, TablesAreCaseSensitive)
{
    EXPECT_EQ(FileTypeOfExtension("txt"), cs::content::filetype::TXT);
    EXPECT_EQ(FileTypeOfExtension("sinfortxt"), cs::content::filetype::TXT);
    EXPECT_EQ(FileTypeOfExtension("TXT"), cs::content::filetype::UNKNOWN);
    EXPECT_EQ(FileTypeOfExtension("shtml"), cs::content::filetype::HTML);
    EXPECT_EQ(FileTypeOfExtension("xml"), cs::content::filetype::HTML);
    EXPECT_EQ(FileTypeOfExtension("eml"), cs::content::filetype::EML);
    EXPECT_EQ(FileTypeOfExtension("rtf"), cs::content::filetype::DOC);
    EXPECT_EQ(FileTypeOfExtension("pot"), cs::content::filetype::PPT);
    EXPECT_EQ(FileTypeOfExtension("xlt"), cs::content::filetype::XLS);
    EXPECT_EQ(FileTypeOfExtension("pdf"), cs::content::filetype::PDF);
    EXPECT_EQ(FileTypeOfExtension("tar.gz"), cs::content::filetype::COMP);
    EXPECT_EQ(FileTypeOfExtension("z"), cs::content::filetype::COMP);
    EXPECT_EQ(FileTypeOfExtension("Z"), cs::content::filetype::UNKNOWN);
    EXPECT_EQ(FileTypeOfExtension(""), cs::content::filetype::UNKNOWN);
    EXPECT_STREQ(CategoryOfExtension("jsp"), "HTML");
    EXPECT_EQ(CategoryOfExtension("exe"), nullptr);
    EXPECT_EQ(FileTypeOfCategory("COMP"), cs::content::filetype::COMP);
    EXPECT_EQ(FileTypeOfCategory("comp"), cs::content::filetype::UNKNOWN);
    EXPECT_EQ(FileTypeOfCategory(nullptr), cs::content::filetype::UNKNOWN);
}

TEST(SignatureTest, Samples)
{
    EXPECT_TRUE(IsPdfFile("%PDF-1.4\n", 9));
    EXPECT_FALSE(IsPdfFile("%PDF-14\n", 8));
    EXPECT_FALSE(IsPdfFile("%PDF-1", 6));   // too short to hold the '.'
    EXPECT_TRUE(IsDocFile("{\\rtf1\\ansi", 11));
    EXPECT_TRUE(IsDocFile(kCompound.data(), kCompound.size()));
    EXPECT_FALSE(IsDocFile(kCompound.data(), 7));
    EXPECT_TRUE(IsPptFile(kCompound.data(), kCompound.size()));
    EXPECT_TRUE(IsXlsFile(kCompound.data(), kCompound.size()));
    EXPECT_FALSE(IsPptFile("{\\rtf1", 6));
    EXPECT_TRUE(IsCompressedFile("BZh91AY&SY\x01", 11));
    EXPECT_TRUE(IsCompressedFile("Rar!\x1A\x07\x00", 7));
    EXPECT_TRUE(IsCompressedFile("PK\x03\x04\x14\x00", 6));
    EXPECT_TRUE(IsCompressedFile("\x1F\x8B\x08\x00", 4));
    EXPECT_TRUE(IsCompressedFile("\x1F\x9D\x90\x00\x41", 5));
    EXPECT_FALSE(IsCompressedFile("PK\x05\x06", 4));
    EXPECT_TRUE(IsTxtFile("tab\there\r\n\x80\xff", 12));
    EXPECT_FALSE(IsTxtFile("bell\x07", 5));
    EXPECT_FALSE(IsTxtFile("nul\0later", 9));
}

TEST(SignatureTest, BadArgumentsAreProgrammingErrors)
{
    EXPECT_EQ(LogicErrorText([] { IsDocFile(nullptr, 4); }).rfind("ASSERT FAILED: buffer", 0), 0u);
    EXPECT_EQ(LogicErrorText([] { IsTxtFile("x", 0); }).rfind("ASSERT FAILED: len", 0), 0u);
    EXPECT_EQ(LogicErrorText([] { IsHtmlFile(nullptr); }).rfind("ASSERT FAILED: path", 0), 0u);
    EXPECT_EQ(LogicErrorText([] { IsEmlFile(nullptr); }).rfind("ASSERT FAILED: path", 0), 0u);
    EXPECT_EQ(LogicErrorText([] { IdentifyFileType(nullptr); }).rfind("ASSERT FAILED: FullFileName", 0), 0u);
    char buffer[4];
    size_t none = 0;
    EXPECT_EQ(LogicErrorText([&] { ReadFileHead("x", buffer, &none); }).rfind("ASSERT FAILED: *len", 0), 0u);
}

TEST_F(FileIdentifierTest, ExtensionConfirmedByContent)
{
    EXPECT_EQ(identify("notes.txt", "plain text\n"), cs::content::filetype::TXT);
    EXPECT_EQ(identify("page.html", "<html><body>x</body></html>"), cs::content::filetype::HTML);
    EXPECT_EQ(identify("x.xls", kCompound + std::string(200, '\0')), cs::content::filetype::XLS);
    EXPECT_EQ(identify("x.ppt", kCompound + std::string(200, '\0')), cs::content::filetype::PPT);
    EXPECT_EQ(identify("letter.rtf", "{\\rtf1\\ansi hello}"), cs::content::filetype::DOC);
    EXPECT_EQ(identify("data.zip", std::string("PK\x03\x04", 4) + std::string(50, '\0')), cs::content::filetype::COMP);
    EXPECT_EQ(identify("paper.pdf", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"), cs::content::filetype::PDF);
}

TEST_F(FileIdentifierTest, SniffedWhenTheNameSaysNothing)
{
    EXPECT_EQ(identify("report.TXT", "Quarterly report\nall well\n"), cs::content::filetype::TXT);
    EXPECT_EQ(identify("x.bin", kCompound + std::string(200, '\0')), cs::content::filetype::DOC);
    EXPECT_EQ(identify("archive", std::string("BZh91AY&SY", 10) + std::string(30, '\x01')), cs::content::filetype::COMP);
    EXPECT_EQ(identify("x.dat", "<?XML version=\"1.0\"?><a/>"), cs::content::filetype::HTML);
    EXPECT_EQ(identify("my report \xE6\x8A\xA5\xE5\x91\x8A.txt", "text with a spaced, non-ASCII name\n"), cs::content::filetype::TXT);
}

TEST_F(FileIdentifierTest, ConfirmationFailsThenSniffing)
{
    EXPECT_EQ(identify("a.doc", "%PDF-1.5\nbinary"), cs::content::filetype::PDF);
    EXPECT_EQ(identify("b.pdf", "%PDF-15 not a real one"), cs::content::filetype::TXT);
    // A binary file with a text name is of unknown type.
    EXPECT_EQ(identify("photo.txt", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)), cs::content::filetype::UNKNOWN);
}

TEST_F(FileIdentifierTest, HtmlTestReadsTheWholeFile)
{
    // The sample fails the text test, but the HTML test reads the file itself.
    std::string page = std::string("\0\x01junk", 6) + std::string(300, 'x') + "<HTML><body>late</body></HTML>";
    EXPECT_EQ(identify("page.htm", page), cs::content::filetype::HTML);
    // The same bytes without a name: not text, no tag in the sample's types.
    EXPECT_EQ(identify("page.bin", page), cs::content::filetype::HTML);
    // A file of 60 bytes: the only block reaches the end of the file.
    std::string shortPage = "<html>" + std::string(47, 'a') + "</html>";
    ASSERT_EQ(shortPage.size(), 60u);
    EXPECT_EQ(identify("short.html", shortPage), cs::content::filetype::HTML);
    // A tag split by the 100-byte block boundary is still found.
    std::string split = std::string(98, '\0') + "<html>body</html>";
    EXPECT_EQ(identify("split.bin", split), cs::content::filetype::HTML);
    EXPECT_EQ(identify("none.bin", std::string(98, '\0') + "<htm l>"), cs::content::filetype::UNKNOWN);
}

TEST_F(FileIdentifierTest, MailHeadersNeedCarriageReturns)
{
    std::string crlf = "From: a@example.com\r\nTo: b@example.com\r\nDate: Mon, 1 Jan 2024 10:00:00 +0800\r\n"
                       "Subject: hello\r\n\r\nbody\r\n";
    EXPECT_EQ(identify("mail.eml", crlf), cs::content::filetype::EML);
    EXPECT_EQ(identify("mail.bin", crlf), cs::content::filetype::EML);
    std::string lf = "From: a@example.com\nTo: b@example.com\nDate: Mon, 1 Jan 2024\nSubject: hello\n\nbody\n";
    EXPECT_EQ(identify("bare.eml", lf), cs::content::filetype::TXT);
    // The header words must start lines; only "From:" may stand anywhere.
    std::string notAtLineStart = "X-From: a\r\nX-To: b\r\nDate: d\r\nSubject: s\r\n";
    EXPECT_EQ(identify("odd.eml", notAtLineStart), cs::content::filetype::TXT);
    // Past the first 1024 bytes nothing counts.
    std::string late = "From: a\r\n" + std::string(1100, 'x') + "\r\nTo: b\r\nDate: d\r\nSubject: s\r\n";
    EXPECT_EQ(identify("late.eml", late), cs::content::filetype::TXT);
}

TEST_F(FileIdentifierTest, ScrambledFilesAreUnscrambledFirst)
{
    // 0xC7 scrambles to 0x01, which would fail the text test.
    std::string text = "GBK \xC7\xEB\xCE\xCA text";
    EXPECT_EQ(identify("e_123.txt", Scrambled(text)), cs::content::filetype::TXT);
    EXPECT_EQ(identify("e_124.bin", Scrambled("%PDF-1.4\n")), cs::content::filetype::PDF);
    EXPECT_EQ(identify("e_125.html", Scrambled(std::string("\0\x02", 2) + "<html><p>x</p></html>")), cs::content::filetype::HTML);
    EXPECT_EQ(identify("e_126.eml", Scrambled("From: a\r\nTo: b\r\nDate: d\r\nSubject: s\r\n\r\n")), cs::content::filetype::EML);
    // The prefix counts only at the start of the base name: these bytes stay
    // scrambled, and pass for text.
    EXPECT_EQ(identify("xe_127.bin", Scrambled("%PDF-1.4\n")), cs::content::filetype::TXT);
}

TEST_F(FileIdentifierTest, NothingToReadIsUnknown)
{
    EXPECT_EQ(identify("empty.txt", ""), cs::content::filetype::UNKNOWN);
    EXPECT_EQ(IdentifyFileType((m_dir + "/missing.txt").c_str()), cs::content::filetype::UNKNOWN);
    EXPECT_EQ(IdentifyFileType(m_dir.c_str()), cs::content::filetype::UNKNOWN);
    // A pipe without a writer must not hold the run up.
    std::string fifo = m_dir + "/pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(IdentifyFileType(fifo.c_str()), cs::content::filetype::UNKNOWN);
}

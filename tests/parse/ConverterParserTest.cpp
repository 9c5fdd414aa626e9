// The Word, PowerPoint, Excel and PDF parsers, run with the shipped converters
// on the documents of tests/data/office/, and with stand-in converters that
// break the converter contract in every way the parsers must survive.
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "ParseTestKit.h"
#include "content/FileType.h"
#include "parse/DocParser.h"
#include "parse/PdfParser.h"
#include "parse/PptParser.h"
#include "parse/XlsParser.h"
#include "support/TestSupport.h"
#include "utility/ConfigPath.h"

using namespace cs::parse;
using namespace cs::test;
using cs::content::CContent;
using cs::utility::CConfigPath;

namespace {

const std::string kOffice = std::string(CS_TEST_DATA_DIR) + "/office/";

struct TypeInfo {
    const char* name;        // "doc": converter doc2txt, sample.doc, doc-source.txt
    int32_t fileType;
    const char* tempPrefix;
    const char* word;        // how the type's messages name it
    const char* key;         // OUT_<key>_EXE_PATH
};
const TypeInfo kDoc = {"doc", cs::content::filetype::DOC, "~docex", "doc", "DOC"};
const TypeInfo kPpt = {"ppt", cs::content::filetype::PPT, "~pptex", "ppt", "PPT"};
const TypeInfo kXls = {"xls", cs::content::filetype::XLS, "~xlsex", "excel", "XLS"};
const TypeInfo kPdf = {"pdf", cs::content::filetype::PDF, "~pdfex", "pdf", "PDF"};
const TypeInfo kTypes[] = {kDoc, kPpt, kXls, kPdf};

std::unique_ptr<CConverterParser> MakeParser(const TypeInfo& type, const CConfigPath& paths)
{
    switch (type.fileType) {
    case cs::content::filetype::DOC: return std::make_unique<CDocParser>(paths);
    case cs::content::filetype::PPT: return std::make_unique<CPptParser>(paths);
    case cs::content::filetype::XLS: return std::make_unique<CXlsParser>(paths);
    default: return std::make_unique<CPdfParser>(paths);
    }
}

// The file padded with zero bytes (or cut) to `size` bytes; a compound
// document keeps its text, the converters ignore what follows its sectors.
void Resize(const std::string& path, uintmax_t size) { std::filesystem::resize_file(path, size); }

class ConverterParserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Temporary files go to a directory of this test's own, so that
        // whatever a conversion leaves behind shows.
        m_tmp = MakeTempDir("tmpdir");
        if (const char* previous = std::getenv("TMPDIR"))
            m_previousTmp = std::make_unique<std::string>(previous);
        ::setenv("TMPDIR", m_tmp.c_str(), 1);
        m_docs = MakeTempDir("docs");
    }

    void TearDown() override
    {
        if (m_previousTmp)
            ::setenv("TMPDIR", m_previousTmp->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

    // Parses the file as a document of the type; no temporary file may outlive it.
    int parse(CConverterParser& parser, const TypeInfo& type, const std::string& path)
    {
        m_content = NewDocument(type.fileType);
        m_content->setFileInput(path, 0);
        parser.setContentMode(&ParseTestMode());
        int result = parser.parse(m_content.get());
        EXPECT_EQ(ListDir(m_tmp), std::vector<std::string>()) << "temporary files left by " << path;
        return result;
    }

    void expectParsed(CConverterParser& parser, const TypeInfo& type, const std::string& path)
    {
        ASSERT_EQ(parse(parser, type, path), 1) << path;
        EXPECT_EQ(m_content->getState(), CContent::STATE_PARSED);
        EXPECT_EQ(m_content->getEncoding(), cs::content::encoding::GBK);
    }

    void expectDropped(CConverterParser& parser, const TypeInfo& type, const std::string& path,
                       cs::content::DropReason reason = cs::content::DropReason::NOT_CONVERTED)
    {
        EXPECT_EQ(parse(parser, type, path), 0) << path;
        EXPECT_EQ(m_content->getState(), CContent::STATE_NEW);
        EXPECT_EQ(FieldText(*m_content, "text"), "<none>");
        EXPECT_EQ(m_content->getDropReason(), reason) << path;
    }

    // The document's text, in UTF-8.
    std::string text() const { return Recode(FieldText(*m_content, "text"), "UTF-8", "GBK"); }

    std::string m_tmp;
    std::string m_docs;
    std::unique_ptr<std::string> m_previousTmp;
    std::unique_ptr<CContent> m_content;
    CLogCapture m_log;
};

TEST_F(ConverterParserTest, EachTypeGivesTheConvertersTextToTextAndAbstract)
{
    for (const TypeInfo& type : kTypes) {
        SCOPED_TRACE(type.name);
        // The converters of the test root's pathconfig.xml: the shipped ones.
        std::unique_ptr<CConverterParser> parser = MakeParser(type, CConfigPath::instance());
        std::string sample = kOffice + "sample." + type.name;
        expectParsed(*parser, type, sample);

        // Exactly what the converter writes, run by hand.
        std::string output = m_docs + "/" + type.name + ".out";
        WriteFile(output, "");
        std::vector<std::string> argv = {parser->converterPath()};
        if (type.fileType == cs::content::filetype::PDF)
            argv.insert(argv.end(), {"-cfg", TestRoot() + "/converters/pdf2txt.cfg", "-enc", "GBK"});
        argv.insert(argv.end(), {sample, output});
        ASSERT_EQ(RunProcess(argv).exitCode, 0);
        EXPECT_EQ(FieldText(*m_content, "text"), ReadFile(output));
        EXPECT_EQ(FieldText(*m_content, "abstract"), ReadFile(output));
        EXPECT_EQ(FieldText(*m_content, "user"), "<none>");
        ExpectSourceWords(std::string(type.name) + "-source.txt", text());
    }
}

TEST_F(ConverterParserTest, DocumentWithoutTextIsDroppedWithTheEmptyOutputMessage)
{
    for (const TypeInfo& type : {kDoc, kPdf}) {
        std::unique_ptr<CConverterParser> parser = MakeParser(type, CConfigPath::instance());
        expectDropped(*parser, type, kOffice + "empty." + type.name);
        EXPECT_TRUE(m_log.logged("WARN", std::string("can't get temporary file ") + m_tmp + "/~ex"));
        EXPECT_TRUE(m_log.logged("WARN", std::string(" length after external ") + type.name + " process executed"));
        EXPECT_TRUE(m_log.logged("WARN", type.fileType == cs::content::filetype::DOC ? "doc parsing failed." : "doc parsing failed"));
    }
}

TEST_F(ConverterParserTest, LengthIsCheckedBeforeAnyConversion)
{
    std::string empty = m_docs + "/empty.doc";
    WriteFile(empty, "");
    std::string missing = m_docs + "/missing.doc";
    for (const TypeInfo& type : kTypes) {
        SCOPED_TRACE(type.name);
        std::unique_ptr<CConverterParser> parser = MakeParser(type, CConfigPath::instance());
        std::string big = m_docs + "/big." + type.name;
        WriteFile(big, ReadFile(kOffice + "sample." + type.name));
        Resize(big, 10485760);
        expectDropped(*parser, type, big, cs::content::DropReason::TOO_LARGE);
        std::string tooLong = std::string(type.fileType == cs::content::filetype::PDF ? "doc" : type.word) +
                              " file length more than 10M while parsing";
        EXPECT_TRUE(m_log.logged("WARN", tooLong));

        std::string noLength = "can't get original file " + empty + " length or length is 0 while " + type.word +
                               " paser parsing";
        expectDropped(*parser, type, empty, cs::content::DropReason::NO_TEXT);
        EXPECT_TRUE(m_log.logged("DEBUG", noLength));

        // A file that is not there: only the PDF parser says so at DEBUG.
        CLogCapture log;
        expectDropped(*parser, type, missing, cs::content::DropReason::UNREADABLE);
        if (type.fileType == cs::content::filetype::PDF) {
            EXPECT_TRUE(log.logged("DEBUG", "can't get original file " + missing));
            EXPECT_FALSE(log.contains("more than 10M"));
        } else {
            EXPECT_TRUE(log.logged("WARN", tooLong));
        }
    }
    // Nothing was converted: a conversion would have logged its failure.
    EXPECT_FALSE(m_log.contains("parsing failed"));

    CDocParser parser;
    EXPECT_EQ(LogicErrorText([&] { parser.parse(nullptr); }).rfind("ASSERT FAILED: content", 0), 0u);
}

TEST_F(ConverterParserTest, DocumentOfAnotherTypeIsWarnedAbout)
{
    const char* messages[] = {"filetype is not doc while pasing", "filetype is not ppt while pasing",
                              "filetype is not excel while pasing", "filetype is not pdf while pasing"};
    for (int i = 0; i < 4; ++i) {
        std::unique_ptr<CConverterParser> parser = MakeParser(kTypes[i], CConfigPath::instance());
        TypeInfo other = kTypes[(i + 1) % 4];
        parse(*parser, other, m_docs + "/missing.file");
        EXPECT_TRUE(m_log.logged("WARN", messages[i]));
    }
}

TEST_F(ConverterParserTest, MissingConverterEntryKeepsTheParserFromBeingMade)
{
    std::string dir = MakeTempDir("paths");
    WriteFile(dir + "/pathconfig.xml", "<pathconfig><root>" + dir + "</root><OUT_DOC_EXE_PATH>d</OUT_DOC_EXE_PATH>"
                                       "<OUT_PDF_EXE_PATH>p</OUT_PDF_EXE_PATH></pathconfig>");
    CConfigPath paths(dir + "/pathconfig.xml");
    EXPECT_NO_THROW(CDocParser{paths});
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CPptParser{paths}; }), "no such config file: OUT_PPT_EXE_PATH");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CPdfParser{paths}; }), "no such config file: PDF_PARAM_FILE_PATH");
}

// Parsers whose converters are stand-ins in a directory of the test: each
// records its arguments and its input file, then does what the first five
// bytes of the document ask for, and otherwise runs the shipped converter.
class StandInConverterTest : public ConverterParserTest {
protected:
    void SetUp() override
    {
        ConverterParserTest::SetUp();
        m_standIns = MakeTempDir("standins");
        std::string entries;
        for (const TypeInfo& type : kTypes) {
            std::string name = std::string(type.name) + "2txt";
            std::string entry = std::string("OUT_") + type.key + "_EXE_PATH";
            entries += "<" + entry + ">" + name + "</" + entry + ">";
            WriteFile(standIn(type),
                      "#!/bin/bash\n"
                      "here=$(dirname -- \"$0\") name=$(basename -- \"$0\")\n"
                      "printf '%s\\n' \"$@\" > \"$here/$name.args\"\n"
                      "input=${@: -2:1} output=${@: -1}\n"
                      "cp -- \"$input\" \"$here/$name.input\"\n"
                      "case \"$(head -c 5 -- \"$input\")\" in\n"
                      "warn!) echo 'warning: strange file'; echo 'some text' > \"$output\" ;;\n"
                      "long!) printf '%0100d%s\\n' 0 'end of a long report' ;;\n"
                      "empty) ;;\n"
                      "hang!) sleep 12; echo 'late text' > \"$output\" ;;\n"
                      "*) exec " + SourcePath("converters/" + name) + " \"$@\" ;;\n"
                      "esac\n");
            ::chmod(standIn(type).c_str(), 0755);
        }
        WriteFile(m_standIns + "/pdf2txt.cfg", ReadFile(SourcePath("converters/pdf2txt.cfg")));
        WriteFile(m_standIns + "/pathconfig.xml", "<pathconfig><root>" + m_standIns + "</root>" + entries +
                                                      "<PDF_PARAM_FILE_PATH>pdf2txt.cfg</PDF_PARAM_FILE_PATH>"
                                                      "</pathconfig>");
        m_paths = std::make_unique<CConfigPath>(m_standIns + "/pathconfig.xml");
    }

    std::string standIn(const TypeInfo& type) const { return m_standIns + "/" + type.name + "2txt"; }
    std::unique_ptr<CConverterParser> parser(const TypeInfo& type) const { return MakeParser(type, *m_paths); }

    // The arguments the stand-in got last, one per element.
    std::vector<std::string> arguments(const TypeInfo& type) const
    {
        return Words(ReadFile(standIn(type) + ".args"));
    }
    // The input file the stand-in got last.
    std::string input(const TypeInfo& type) const { return ReadFile(standIn(type) + ".input"); }

    // A document whose first bytes tell the stand-in what to do.
    std::string document(const std::string& name, const std::string& content)
    {
        std::string path = m_docs + "/" + name;
        WriteFile(path, content);
        return path;
    }

    // After a failure the parser goes on with the next document.
    void expectNextDocumentParsed(CConverterParser& parser)
    {
        expectParsed(parser, kDoc, kOffice + "sample.doc");
        ExpectSourceWords("doc-source.txt", text());
    }

    std::string m_standIns;
    std::unique_ptr<CConfigPath> m_paths;
};

// The name of a temporary input or output file in the test's temporary
// directory: prefix, six characters, extension.
::testing::AssertionResult IsTempName(const std::string& name, const std::string& dir, const std::string& prefix,
                                      const std::string& extension)
{
    std::string start = dir + "/" + prefix;
    bool matches = name.size() == start.size() + 6 + extension.size() && name.compare(0, start.size(), start) == 0 &&
                   name.compare(name.size() - extension.size(), extension.size(), extension) == 0;
    for (size_t i = start.size(); matches && i < start.size() + 6; ++i)
        matches = std::isalnum(static_cast<unsigned char>(name[i])) != 0;
    if (matches)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << name << " is not " << start << "XXXXXX" << extension;
}

TEST_F(StandInConverterTest, CommandLineOfEachType)
{
    for (const TypeInfo& type : kTypes) {
        SCOPED_TRACE(type.name);
        std::unique_ptr<CConverterParser> pParser = parser(type);
        std::string sample = kOffice + "sample." + type.name;
        expectParsed(*pParser, type, sample);
        std::vector<std::string> args = arguments(type);
        if (type.fileType == cs::content::filetype::PDF) {
            ASSERT_EQ(args.size(), 6u);
            EXPECT_EQ(args[0], "-cfg");
            EXPECT_EQ(args[1], m_standIns + "/pdf2txt.cfg");
            EXPECT_EQ(args[2], "-enc");
            EXPECT_EQ(args[3], "GBK");
        } else {
            ASSERT_EQ(args.size(), 2u);
        }
        EXPECT_TRUE(IsTempName(args[args.size() - 2], m_tmp, type.tempPrefix, std::string(".") + type.name));
        EXPECT_TRUE(IsTempName(args.back(), m_tmp, "~ex", ".tmp"));
        EXPECT_EQ(input(type), ReadFile(sample));
        ExpectSourceWords(std::string(type.name) + "-source.txt", text());
    }
}

TEST_F(StandInConverterTest, ScrambledDocumentIsUnscrambledForTheConverter)
{
    std::unique_ptr<CConverterParser> pParser = parser(kDoc);
    expectParsed(*pParser, kDoc, kOffice + "e_sample.doc");
    EXPECT_EQ(input(kDoc), ReadFile(kOffice + "sample.doc"));
    ExpectSourceWords("doc-source.txt", text());
}

TEST_F(StandInConverterTest, SuspiciousDocumentIsConvertedFromACopyWithTheExpectedExtension)
{
    const struct {
        TypeInfo type;
        const char* name;
        const char* sample;
    } kCases[] = {{kDoc, "report.bin", "sample-doc.bin"}, {kPpt, "slides.pps", "sample.ppt"}, {kXls, "book", "sample.xls"}};
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.name);
        std::string path = document(test.name, ReadFile(kOffice + test.sample));
        std::unique_ptr<CConverterParser> pParser = parser(test.type);
        expectParsed(*pParser, test.type, path);
        EXPECT_TRUE(m_log.logged("WARN", std::string("suspicious ") + test.type.name + ", " + path));
        // Converted from path + ".doc" (the input takes its extension), which is gone after success.
        EXPECT_TRUE(IsTempName(arguments(test.type).front(), m_tmp, test.type.tempPrefix, std::string(".") + test.type.name));
        EXPECT_FALSE(FileExists(path + "." + test.type.name));
        EXPECT_TRUE(FileExists(path));
        ExpectSourceWords(std::string(test.type.name) + "-source.txt", text());
    }
}

TEST_F(StandInConverterTest, CopyStopsAtOneMiBAndNeverOverwrites)
{
    std::unique_ptr<CConverterParser> pParser = parser(kDoc);
    std::string path = document("report.bin", ReadFile(kOffice + "sample-doc.bin"));

    Resize(path, 1048576);
    expectParsed(*pParser, kDoc, path);
    EXPECT_TRUE(IsTempName(arguments(kDoc).front(), m_tmp, "~docex", ".doc"));

    // Over 1 MiB: converted from its own path, no copy made.
    Resize(path, 1048577);
    expectParsed(*pParser, kDoc, path);
    EXPECT_TRUE(IsTempName(arguments(kDoc).front(), m_tmp, "~docex", ".bin"));
    EXPECT_EQ(input(kDoc).size(), 1048577u);
    ExpectSourceWords("doc-source.txt", text());
    EXPECT_EQ(ListDir(m_docs), std::vector<std::string>{"report.bin"});

    // A file of the copy's name is somebody's: left alone, the document converted from its own path.
    Resize(path, 9216);
    std::string taken = document("report.bin.doc", "precious");
    expectParsed(*pParser, kDoc, path);
    EXPECT_TRUE(m_log.logged("WARN", "doc file copy failed, errno: 17"));
    EXPECT_TRUE(IsTempName(arguments(kDoc).front(), m_tmp, "~docex", ".bin"));
    EXPECT_EQ(ReadFile(taken), "precious");
}

TEST_F(StandInConverterTest, CopyOfAFailedDocumentStays)
{
    std::string path = document("report.bin", "warn!");
    std::unique_ptr<CConverterParser> pParser = parser(kDoc);
    expectDropped(*pParser, kDoc, path);
    EXPECT_EQ(ReadFile(path + ".doc"), "warn!");
}

TEST_F(StandInConverterTest, InputExtensionIsTakenFromTheFileNameOnly)
{
    std::string path = document("log.d/20240101/record", ReadFile(kOffice + "sample.pdf"));
    std::unique_ptr<CConverterParser> pParser = parser(kPdf);
    expectParsed(*pParser, kPdf, path);
    EXPECT_TRUE(IsTempName(arguments(kPdf)[4], m_tmp, "~pdfex", ""));
    ExpectSourceWords("pdf-source.txt", text());
}

TEST_F(StandInConverterTest, AnythingPrintedFailsTheDocument)
{
    std::unique_ptr<CConverterParser> pParser = parser(kDoc);
    expectDropped(*pParser, kDoc, document("warning.doc", "warn! the converter warns but writes its text"));
    EXPECT_TRUE(m_log.logged("WARN", "some error occured while external doc process executing.Info:warning: strange file"));
    EXPECT_TRUE(m_log.logged("WARN", "doc parsing failed."));
    expectNextDocumentParsed(*pParser);

    // Of a longer report the last piece of 100 bytes or less is logged, and only that piece.
    expectDropped(*pParser, kDoc, document("long.doc", "long!"));
    EXPECT_TRUE(m_log.contains("process executing.Info:end of a long report\n"));
    EXPECT_FALSE(m_log.contains(std::string(20, '0'))) << "bytes of the piece before";

    // Each type names itself.
    for (const TypeInfo& type : {kPpt, kXls, kPdf}) {
        std::unique_ptr<CConverterParser> pOther = parser(type);
        expectDropped(*pOther, type, document(std::string("warning.") + type.name, "warn!"));
        EXPECT_TRUE(m_log.logged("WARN", std::string("some error occured while external ") +
                                             (type.fileType == cs::content::filetype::XLS ? "xls" : type.name) +
                                             " process executing.Info:warning: strange file"));
    }
    EXPECT_TRUE(m_log.logged("WARN", "ppt parsing failed"));
    EXPECT_TRUE(m_log.logged("WARN", "excel parsing failed"));
}

TEST_F(StandInConverterTest, EmptyOutputFailsTheDocument)
{
    std::unique_ptr<CConverterParser> pParser = parser(kXls);
    expectDropped(*pParser, kXls, document("empty.xls", "empty"));
    EXPECT_TRUE(m_log.logged("WARN", "can't get temporary file " + m_tmp + "/~ex"));
    EXPECT_TRUE(m_log.logged("WARN", "length after external excel process executed"));

    std::unique_ptr<CConverterParser> pDoc = parser(kDoc);
    expectDropped(*pDoc, kDoc, document("empty.doc", "empty"));
    expectNextDocumentParsed(*pDoc);
}

TEST_F(StandInConverterTest, ConverterThatCannotStartFailsTheDocument)
{
    std::unique_ptr<CConverterParser> pParser = parser(kDoc);
    std::string aside = m_standIns + "/aside";
    std::filesystem::rename(standIn(kDoc), aside);
    expectDropped(*pParser, kDoc, kOffice + "sample.doc");
    EXPECT_TRUE(m_log.logged("WARN", "doc parser executing external process failed"));
    std::filesystem::rename(aside, standIn(kDoc));
    expectNextDocumentParsed(*pParser);

    CLogCapture log;
    ::chmod(standIn(kDoc).c_str(), 0644);
    expectDropped(*pParser, kDoc, kOffice + "sample.doc");
    EXPECT_TRUE(log.logged("WARN", "doc parser executing external process failed"));
    ::chmod(standIn(kDoc).c_str(), 0755);
    expectNextDocumentParsed(*pParser);

    std::unique_ptr<CConverterParser> pPdf = parser(kPdf);
    ::chmod(standIn(kPdf).c_str(), 0644);
    expectDropped(*pPdf, kPdf, kOffice + "sample.pdf");
    EXPECT_TRUE(log.logged("WARN", "pdf parser executing external process failed"));
}

// The one slow test: a converter that hangs without a word is killed when its
// ten seconds are up (it would have written its text a little later).
TEST_F(StandInConverterTest, ConverterPastItsTimeIsKilledAndTheDocumentFails)
{
    std::unique_ptr<CConverterParser> pParser = parser(kPdf);
    auto start = std::chrono::steady_clock::now();
    expectDropped(*pParser, kPdf, document("slow.pdf", "hang!"));
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 9);
    EXPECT_LT(seconds, 25);
    EXPECT_TRUE(m_log.logged("WARN", "extern doc process time out"));
    EXPECT_TRUE(m_log.logged("WARN", "doc parsing failed"));

    expectParsed(*pParser, kPdf, kOffice + "sample.pdf");
    ExpectSourceWords("pdf-source.txt", text());
}

} // namespace

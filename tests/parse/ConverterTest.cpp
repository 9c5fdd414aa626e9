// The converter programs shipped in converters/, run as the indexer runs
// them, on the office documents of tests/data/office/ and on damaged files.
#include <cerrno>
#include <iconv.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParseTestKit.h"
#include "support/TestSupport.h"

using namespace cs::test;

namespace {

const std::string kOffice = std::string(CS_TEST_DATA_DIR) + "/office/";

std::string Converter(const std::string& name) { return SourcePath("converters/" + name); }

// Strict conversion: false when `bytes` is not valid in `from` or cannot be
// held by `to`.
bool Convert(const std::string& bytes, const char* to, const char* from, std::string& result)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    result.assign(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* out = result.data();
    size_t outLeft = result.size();
    size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    result.resize(result.size() - outLeft);
    return rc != static_cast<size_t>(-1) && inLeft == 0;
}

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = MakeTempDir("convert");
        m_output = m_dir + "/~exAbC123.tmp";
        WriteFile(m_output, "");   // the indexer hands over an existing empty file
    }

    // doc, xls, ppt: converter, input, output; pdf: with its parameter file and "GBK".
    ProcessResult run(const std::string& type, const std::string& input)
    {
        if (type == "pdf")
            return RunProcess({Converter("pdf2txt"), "-cfg", Converter("pdf2txt.cfg"), "-enc", "GBK", input, m_output});
        return RunProcess({Converter(type + "2txt"), input, m_output});
    }

    // The converter succeeded silently; its output is valid GBK, returned in UTF-8.
    std::string convertedText(const ProcessResult& result)
    {
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "");
        std::string utf8;
        EXPECT_TRUE(Convert(ReadFile(m_output), "UTF-8", "GBK", utf8)) << "output is not GBK";
        return utf8;
    }

    // Failed with one line on standard error that names the converter, and nothing on standard output.
    void expectFailure(const ProcessResult& result, const std::string& name)
    {
        EXPECT_NE(result.exitCode, 0);
        EXPECT_EQ(result.out, "");
        ASSERT_FALSE(result.err.empty());
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
        EXPECT_EQ(result.err.compare(0, name.size() + 2, name + ": "), 0) << result.err;
    }

    std::string m_dir;
    std::string m_output;
};

TEST_F(ConverterTest, WordDocumentGivesItsChineseAndEnglishText)
{
    std::string text = convertedText(run("doc", kOffice + "sample.doc"));
    ExpectSourceWords("doc-source.txt", text);
    EXPECT_NE(text.find("中华人民共和国 北京市 海淀区\n"), std::string::npos) << "one paragraph, one line";
}

TEST_F(ConverterTest, ExcelWorkbookGivesEveryCellOneRowALine)
{
    std::string text = convertedText(run("xls", kOffice + "sample.xls"));
    ExpectSourceWords("xls-source.txt", text);
    EXPECT_NE(text.find("李四\t广州\tGuangzhou\t3400"), std::string::npos) << text;
}

TEST_F(ConverterTest, PowerPointTextInsideSlideDrawingsIsFound)
{
    std::string text = convertedText(run("ppt", kOffice + "sample.ppt"));
    ExpectSourceWords("ppt-source.txt", text);
    EXPECT_NE(text.find("客户满意度 customer satisfaction\n"), std::string::npos) << text;
}

TEST_F(ConverterTest, PdfDocumentGivesItsChineseAndEnglishText)
{
    std::string text = convertedText(run("pdf", kOffice + "sample.pdf"));
    ExpectSourceWords("pdf-source.txt", text);
}

TEST_F(ConverterTest, NamesWithSpacesAndShellCharactersAndOtherExtensions)
{
    std::string input = m_dir + "/a dir/report $(touch x) 'q'.bin";
    WriteFile(input, ReadFile(kOffice + "sample-doc.bin"));
    ExpectSourceWords("doc-source.txt", convertedText(run("doc", input)));
    EXPECT_FALSE(FileExists(m_dir + "/a dir/x"));
}

TEST_F(ConverterTest, DocumentWithoutTextGivesAnEmptyOutputFile)
{
    for (const char* type : {"doc", "pdf"}) {
        WriteFile(m_output, "stale");
        convertedText(run(type, kOffice + "empty." + type));
        EXPECT_EQ(ReadFile(m_output), "") << type;
    }
}

TEST_F(ConverterTest, DamagedOrForeignDocumentsFailWithOneLine)
{
    const char* names[] = {"doc2txt", "xls2txt", "ppt2txt", "pdf2txt"};
    const char* types[] = {"doc", "xls", "ppt", "pdf"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(types[i]);
        std::string sample = ReadFile(kOffice + "sample." + types[i]);
        std::string truncated = m_dir + "/truncated." + types[i];
        WriteFile(truncated, sample.substr(0, 3000));
        expectFailure(run(types[i], truncated), names[i]);

        std::string text = m_dir + "/plain." + types[i];
        WriteFile(text, "just some text, no office document\n");
        expectFailure(run(types[i], text), names[i]);

        expectFailure(run(types[i], m_dir + "/missing." + types[i]), names[i]);
    }
    // A compound document of another kind is no presentation.
    expectFailure(run("ppt", kOffice + "sample.doc"), "ppt2txt");
}

TEST_F(ConverterTest, WrongArgumentsGiveUsage)
{
    for (const char* name : {"doc2txt", "xls2txt", "ppt2txt", "pdf2txt"}) {
        ProcessResult result = RunProcess({Converter(name), kOffice + "sample.doc"});
        EXPECT_EQ(result.exitCode, 2) << name;
        EXPECT_EQ(result.err.compare(0, 7, "usage: "), 0) << result.err;
    }
}

TEST_F(ConverterTest, PdfParameterFileIsReadAndCheckedStrictly)
{
    std::string parameters = m_dir + "/pdf.cfg";
    auto runWith = [&](const std::string& content) {
        WriteFile(parameters, content);
        return RunProcess({Converter("pdf2txt"), "-cfg", parameters, "-enc", "GBK", kOffice + "sample.pdf", m_output});
    };
    for (const char* good : {"mode = raw\nmax_pages = 1\n", "# nothing set\n\n", "mode=physical # keep layout"}) {
        ProcessResult result = runWith(good);
        ExpectSourceWords("pdf-source.txt", convertedText(result));
    }
    for (const char* bad : {"mode = fancy\n", "max_pages = -1\n", "colour = red\n", "mode raw\n"}) {
        expectFailure(runWith(bad), "pdf2txt");
    }
    expectFailure(RunProcess({Converter("pdf2txt"), "-cfg", m_dir + "/none.cfg", "-enc", "GBK",
                              kOffice + "sample.pdf", m_output}),
                  "pdf2txt");
    expectFailure(RunProcess({Converter("pdf2txt"), "-cfg", Converter("pdf2txt.cfg"), "-enc", "NO-SUCH-SET",
                              kOffice + "sample.pdf", m_output}),
                  "pdf2txt");
}

} // namespace

// Parsing speed, in bytes of input per second: a GBK text file, a UTF-8 web
// page, file-type identification of a page, and search-request URLs. Each
// parser is created once and reused, as the index writer does.
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "content/Content.h"
#include "content/ContentMode.h"
#include "content/FileType.h"
#include "parse/FileIdentifier.h"
#include "parse/HtmlParser.h"
#include "parse/SearchParser.h"
#include "parse/TxtParser.h"
#include "support/BenchWorkDir.h"

using namespace cs::parse;
using cs::content::CModeItem;

namespace {

const cs::content::CContentMode& Mode()
{
    static cs::content::CContentMode mode;
    if (mode.size() == 0) {
        mode.addItem(CModeItem("text", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE));
        mode.addItem(CModeItem("abstract", CModeItem::STORE_COMPRESS, CModeItem::INDEX_NO));
    }
    return mode;
}

std::string WriteFile(const std::string& name, const std::string& content)
{
    std::string path = cs::bench::WorkDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

// About `bytes` of text: GBK sentences ("中文文字，" repeated) with line ends.
std::string GbkText(size_t bytes)
{
    std::string text;
    while (text.size() < bytes)
        text += "\xD6\xD0\xCE\xC4\xCE\xC4\xD7\xD6\xA3\xAC\xD6\xD0\xCE\xC4\xCE\xC4\xD7\xD6\xA1\xA3 words\n";
    return text;
}

// About `bytes` of a UTF-8 page: paragraphs, links, a script and a comment.
std::string Utf8Page(size_t bytes)
{
    std::string page = "<html><head><meta charset=\"utf-8\"><title>t</title>"
                       "<script>var a = '<p>not text</p>';</script></head><body>\n";
    while (page.size() < bytes)
        page += "<p>\xE4\xB8\xAD\xE6\x96\x87 text&nbsp;here <a href=\"/x\">link</a>\n  more words</p><!-- c -->\n";
    return page + "</body></html>\n";
}

template <class TParser>
void ParseFile(benchmark::State& state, int32_t fileType, const std::string& path, size_t bytes)
{
    TParser parser;
    parser.setContentMode(&Mode());
    cs::content::CContent content(Mode());
    for (auto _ : state) {
        content.setFileType(fileType);
        content.setFileInput(path, 0);
        if (parser.parse(&content) != 1)
            state.SkipWithError("document dropped");
        content.clear();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_TxtParser(benchmark::State& state)
{
    std::string text = GbkText(static_cast<size_t>(state.range(0)));
    ParseFile<CTxtParser>(state, cs::content::filetype::TXT, WriteFile("text.txt", text), text.size());
}
BENCHMARK(BM_TxtParser)->Arg(4 << 10)->Arg(1 << 20);

void BM_HtmlParser(benchmark::State& state)
{
    std::string page = Utf8Page(static_cast<size_t>(state.range(0)));
    ParseFile<CHtmlParser>(state, cs::content::filetype::HTML, WriteFile("page.html", page), page.size());
}
BENCHMARK(BM_HtmlParser)->Arg(16 << 10)->Arg(1 << 20);

void BM_IdentifyFileType(benchmark::State& state)
{
    // Named .dat, so the content alone decides: every test runs, HTML last but one.
    std::string page = Utf8Page(16 << 10);
    std::string path = WriteFile("page.dat", std::string(200, ' ') + page);
    for (auto _ : state)
        benchmark::DoNotOptimize(IdentifyFileType(path.c_str()));
}
BENCHMARK(BM_IdentifyFileType);

void BM_SearchParser(benchmark::State& state)
{
    const std::string urls[] = {
        "http://www.baidu.com/s?ie=gbk&wd=%D6%D0%CE%C4+%CB%D1%CB%F7",
        "http://www.google.com/search?hl=zh-CN&q=%E4%B8%AD%E6%96%87+search&btnG=go",
        "http://www.example.org/find?term=%E4%B8%AD%E6%96%87&page=2",
    };
    CSearchParser parser;
    parser.setContentMode(&Mode());
    cs::content::CContent content(Mode());
    size_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& url : urls) {
            content.setFileType(cs::content::filetype::SEARCH);
            content.setBufferInput(0, url.data(), url.size());
            benchmark::DoNotOptimize(parser.parse(&content));
            content.clear();
            bytes += url.size();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_SearchParser);

} // namespace

// cssearch and cscheck over indexes that csindexer wrote: the bundled sample
// and a generated activity database. The documents each query must find are
// worked out here, from the files themselves or from the index decoded by the
// test-side reader; the tools find the index of a configured database; and
// nothing they do changes a byte or a time of the index.
#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "e2e/ActivitySandbox.h"
#include "support/IndexFiles.h"
#include "utility/StringConvertor.h"

using namespace cs::test;

namespace {

// The lines of cssearch's text output, split at the tabs: document number,
// score, date, path, snippet.
std::vector<std::vector<std::string>> HitLines(const std::string& out)
{
    std::vector<std::vector<std::string>> hits;
    for (size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        std::vector<std::string> columns;
        std::string line = out.substr(start, end - start);
        for (size_t from = 0, tab;; from = tab + 1) {
            tab = line.find('\t', from);
            columns.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
            if (tab == std::string::npos)
                break;
        }
        hits.push_back(columns);
    }
    return hits;
}

// A sample document as a reader sees it: the text in UTF-8, lower-cased,
// without the markup of a page, and its words.
struct SampleText {
    std::string text;
    std::vector<std::string> words;   // ASCII words in order
};

std::string Charset(const std::string& path)
{
    for (const auto& [piece, charset] : std::vector<std::pair<std::string, std::string>>{
             {"/zh/gbk/", "gbk"}, {"/zh/utf8/", "utf-8"}, {"/zh/big5/", "big5"}, {"-gbk.htm", "gbk"},
             {"-utf-8.htm", "utf-8"}, {"-big5.html", "big5"}}) {
        if (path.find(piece) != std::string::npos)
            return charset;
    }
    return "utf-8";   // the English files are ASCII
}

SampleText ReadSample(const std::string& path)
{
    std::string text = cs::utility::CStringConvertor("utf-8", Charset(path)).convert(ReadFile(path));
    if (path.find(".htm") != std::string::npos) {
        // What a reader of the page sees: no scripts, styles, comments or tags.
        static const std::regex hidden(R"(<(script|style)[^>]*>[\s\S]*?</\1>|<!--[\s\S]*?-->)", std::regex::icase);
        static const std::regex tag("<[^>]*>");
        text = std::regex_replace(std::regex_replace(text, hidden, " "), tag, " ");
        text = std::regex_replace(text, std::regex("&nbsp;"), " ");
    }
    SampleText sample;
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    sample.text = text;
    std::string word;
    for (char c : text + " ") {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            word += c;
        } else if (!word.empty()) {
            sample.words.push_back(word);
            word.clear();
        }
    }
    return sample;
}

bool HasWord(const SampleText& sample, const std::string& word)
{
    return std::find(sample.words.begin(), sample.words.end(), word) != sample.words.end();
}

bool HasPhrase(const SampleText& sample, const std::string& first, const std::string& second)
{
    for (size_t i = 0; i + 1 < sample.words.size(); ++i) {
        if (sample.words[i] == first && sample.words[i + 1] == second)
            return true;
    }
    return false;
}

bool HasText(const SampleText& sample, const std::string& utf8) { return sample.text.find(utf8) != std::string::npos; }

// A sandbox that indexes the bundled sample documents with the directory
// collection and the dictionary the build makes, as the installed
// configuration does, with copies of cssearch and cscheck beside the
// indexer, so that they read the sandbox's configuration.
class CSampleSandbox : public CSandbox {
public:
    CSampleSandbox()
    {
        ProcessResult made = RunProcess({"/usr/bin/python3", SourcePath("tools/make-sample-docs.py"), docs()});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        writeGlobal(global("<system_status>1</system_status><source>" + docs() + "</source>"));
        for (const char* name : {"dictionary.txt", "stopwords.txt"})
            WriteFile(conf() + "/" + name, ReadFile(std::string(CS_BINARY_DIR) + "/dict/" + name));
        for (const auto& [from, name] : {std::pair{CS_SEARCH_PATH, "cssearch"}, std::pair{CS_CHECK_PATH, "cscheck"}})
            std::filesystem::copy_file(from, dir() + "/" + name);
    }

    // The files in the order the directory collection meets them (the order
    // of the listings, depth first), which is the order of the documents.
    std::vector<std::string> files() const
    {
        std::vector<std::string> paths;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(docs())) {
            if (entry.is_regular_file())
                paths.push_back(entry.path().string());
        }
        return paths;
    }

    // A tool of the sandbox, run in it.
    ProcessResult tool(const std::string& name, std::vector<std::string> args) const
    {
        args.insert(args.begin(), dir() + "/" + name);
        return RunProcess(args, dir());
    }
};

} // namespace

TEST(OperatorTools, SearchFindsExactlyTheSampleDocumentsThatHoldTheWords)
{
    CSampleSandbox box;
    ProcessResult indexed = box.run({"-d", "alpha"});
    ASSERT_EQ(indexed.exitCode, 0) << indexed.err;
    // The documents: the files but those whose text the parser could not
    // make out (it says so in the log), numbered in the order of the walk.
    std::string log = box.logText();
    std::vector<std::string> documents;
    std::map<std::string, SampleText> samples;
    for (const std::string& path : box.files()) {
        if (log.find("can't tell the text encoding of file " + path + "\n") != std::string::npos)
            continue;
        documents.push_back(path);
        samples[path] = ReadSample(path);
    }
    int64_t indexedDocuments = 0;
    for (const BarrelRecord& barrel : ReadIndexStatus(box.indexRoot() + "/index_status.xml").barrels)
        indexedDocuments += barrel.docCount;
    ASSERT_EQ(indexedDocuments, static_cast<int64_t>(documents.size()));
    // The bundled sample is written so that every file of it is indexed.
    EXPECT_EQ(documents.size(), box.files().size());

    auto where = [&](const std::function<bool(const SampleText&)>& test) {
        std::set<std::string> paths;
        for (const auto& [path, sample] : samples) {
            if (test(sample))
                paths.insert(path);
        }
        return paths;
    };
    auto found = [&](const std::string& query) {
        ProcessResult result = box.tool("cssearch", {"-d", "alpha", "-n", "0", query});
        std::set<std::string> paths;
        for (const auto& hit : HitLines(result.out))
            paths.insert(documents.at(std::stoul(hit.at(0))));
        EXPECT_EQ(result.exitCode, paths.empty() ? 1 : 0) << query << ": " << result.err;
        return paths;
    };
    struct Query {
        std::string text;
        std::function<bool(const SampleText&)> test;
    };
    const std::vector<Query> queries = {
        {"index", [](const SampleText& s) { return HasWord(s, "index"); }},
        {"Morning", [](const SampleText& s) { return HasWord(s, "morning"); }},
        {"time AND disk", [](const SampleText& s) { return HasWord(s, "time") && HasWord(s, "disk"); }},
        {"harbour OR lake", [](const SampleText& s) { return HasWord(s, "harbour") || HasWord(s, "lake"); }},
        {"time NOT disk", [](const SampleText& s) { return HasWord(s, "time") && !HasWord(s, "disk"); }},
        {"\"inverted index\"", [](const SampleText& s) { return HasPhrase(s, "inverted", "index"); }},
        {"\"index inverted\"", [](const SampleText& s) { return HasPhrase(s, "index", "inverted"); }},
        // UTF-8 queries against GBK, UTF-8 and Big5 files, all indexed in
        // GBK. "全文索引" is two words of the dictionary (全文 索引), found
        // as a phrase.
        {"全文索引", [](const SampleText& s) { return HasText(s, "全文索引"); }},
        {"图书馆 OR 茶文化", [](const SampleText& s) { return HasText(s, "图书馆") || HasText(s, "茶文化"); }},
        {"圖書館", [](const SampleText& s) { return HasText(s, "圖書館"); }},
        {"\"图书馆 管理员\"", [](const SampleText& s) { return HasText(s, "图书馆的管理员"); }},
        {"北京 AND 上海", [](const SampleText& s) { return HasText(s, "北京") && HasText(s, "上海"); }},
        {"报纸 NOT 图书馆", [](const SampleText& s) { return HasText(s, "报纸") && !HasText(s, "图书馆"); }},
        {"(index OR 全文索引) AND NOT segments",
         [](const SampleText& s) { return (HasWord(s, "index") || HasText(s, "全文索引")) && !HasWord(s, "segments"); }},
    };
    for (const Query& query : queries) {
        std::set<std::string> expected = where(query.test);
        EXPECT_EQ(found(query.text), expected) << query.text;
        if (query.text != "\"index inverted\"") {
            EXPECT_FALSE(expected.empty()) << query.text << " finds nothing to compare";
        }
    }
    // The Chinese words are found in every encoding of the sample.
    std::set<std::string> chinese = found("全文索引");
    for (const char* folder : {"/zh/gbk/", "/zh/utf8/", "/zh/html/"}) {
        EXPECT_TRUE(std::any_of(chinese.begin(), chinese.end(),
                                [&](const std::string& path) { return path.find(folder) != std::string::npos; }))
            << folder;
    }
    EXPECT_EQ(found("圖書館").count(box.docs() + "/zh/html/news-big5.html"), 1u);
}

TEST(OperatorTools, HitsShowTheMatchedPassageOfTheirFiles)
{
    // A word only deep in a long file; a page of character references.
    CSampleSandbox box;
    std::string filler;
    for (int i = 0; i < 400; ++i)
        filler += "morning light over the harbour ";
    WriteFile(box.docs() + "/long/notes.txt", filler + "the zyxwv marker " + filler);
    WriteFile(box.docs() + "/long/refs.html",
              "<html><head><title>R&amp;D &#8212; notes</title></head><body><p>caf&eacute; &lt;tag&gt; "
              "&#x4E2D;&#25991; qwvx</p></body></html>");
    ProcessResult indexed = box.run({"-d", "alpha"});
    ASSERT_EQ(indexed.exitCode, 0) << indexed.err;

    ProcessResult deep = box.tool("cssearch", {"-d", "alpha", "zyxwv"});
    ASSERT_EQ(deep.exitCode, 0) << deep.err;
    std::vector<std::vector<std::string>> hits = HitLines(deep.out);
    ASSERT_EQ(hits.size(), 1u) << deep.out;
    EXPECT_NE(hits[0].at(4).find("harbour the [zyxwv] marker morning"), std::string::npos) << hits[0].at(4);
    EXPECT_EQ(hits[0].at(4).find("…"), 0u) << "cut before the passage";
    EXPECT_EQ(deep.err, "1 of 1 matching documents shown\n");

    // References are text, not words: "8212" and "amp" are no terms.
    ProcessResult refs = box.tool("cssearch", {"-d", "alpha", "qwvx"});
    ASSERT_EQ(refs.exitCode, 0) << refs.err;
    hits = HitLines(refs.out);
    ASSERT_EQ(hits.size(), 1u) << refs.out;
    EXPECT_NE(hits[0].at(4).find("R&D — notes café <tag> 中文 [qwvx]"), std::string::npos) << hits[0].at(4);
    for (const char* word : {"8212", "amp", "eacute"})
        EXPECT_EQ(box.tool("cssearch", {"-d", "alpha", word}).exitCode, 1) << word;
}

// The activity index of a generated database: users, dates and types, alone
// and together, against the terms the test-side reader decodes.
TEST(OperatorTools, SearchFindsActivityRecordsByUserDateAndType)
{
    CScratchDatabase scratch("tools");
    CActivitySandbox box;
    box.configure();
    box.databases({scratch.name()});
    ProcessResult generated =
        RunProcess({SourcePath("tools/make-activity-db"), "--env", TestDatabaseServer().envFile, "--database",
                    scratch.name(), "--filepath", box.contentRoot(), "--records", "400", "--days", "3", "--seed", "9"});
    ASSERT_EQ(generated.exitCode, 0) << generated.err;
    ProcessResult indexed = box.index(scratch.name());
    ASSERT_EQ(indexed.exitCode, 0) << indexed.err;
    std::string dir = box.indexDir(scratch.name());
    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    for (const BarrelRecord& barrel : status.barrels)
        ASSERT_EQ(barrel.deletedCount, 0) << "document numbers are positions among the live documents";
    std::vector<ActivityDoc> docs = ReadActivityIndex(dir);
    ASSERT_GT(docs.size(), 100u);

    auto where = [&](const std::function<bool(const ActivityDoc&)>& test) {
        std::set<long> numbers;
        for (size_t d = 0; d < docs.size(); ++d) {
            if (test(docs[d]))
                numbers.insert(static_cast<long>(d));
        }
        return numbers;
    };
    auto found = [&](const std::string& query) {
        ProcessResult result = RunProcess({CS_SEARCH_PATH, "-i", dir, "-n", "0", query}, box.dir());
        std::set<long> numbers;
        for (const auto& hit : HitLines(result.out))
            numbers.insert(std::stol(hit.at(0)));
        EXPECT_EQ(result.exitCode, numbers.empty() ? 1 : 0) << query << ": " << result.err;
        return numbers;
    };
    auto user = [](const std::string& name) { return CrcTerm(cs::utility::utf8ToGbk(name)); };
    const int32_t day1 = DayTerm("2024-03-01"), day2 = DayTerm("2024-03-02");
    const int32_t chat = 1, mail = 4, web = 0;
    struct Query {
        std::string text;
        std::function<bool(const ActivityDoc&)> test;
    };
    const std::vector<Query> queries = {
        {"user:Alice.Wong", [&](const ActivityDoc& d) { return d.term("user") == user("alice.wong"); }},
        {"user:BOB", [&](const ActivityDoc& d) { return d.term("user") == user("bob"); }},
        {"user:張偉", [&](const ActivityDoc& d) { return d.term("user") == user("張偉"); }},
        {"group:研发部", [&](const ActivityDoc& d) { return d.term("group") == user("研发部"); }},
        {"date:2024-03-02", [&](const ActivityDoc& d) { return d.term("date") == day2; }},
        {"date:..2024-03-01", [&](const ActivityDoc& d) { return d.term("date") <= day1; }},
        {"date:2024-03-02..2024-03-03", [&](const ActivityDoc& d) { return d.term("date") >= day2; }},
        {"type:chat", [&](const ActivityDoc& d) { return d.term("type") == chat; }},
        {"type:mail OR type:web",
         [&](const ActivityDoc& d) { return d.term("type") == mail || d.term("type") == web; }},
        {"user:bob AND date:2024-03-02..2024-03-03 NOT type:chat",
         [&](const ActivityDoc& d) {
             return d.term("user") == user("bob") && d.term("date") >= day2 && d.term("type") != chat;
         }},
    };
    for (const Query& query : queries) {
        std::set<long> expected = where(query.test);
        EXPECT_FALSE(expected.empty()) << query.text << " finds nothing to compare";
        EXPECT_EQ(found(query.text), expected) << query.text;
    }
}

// -d names a database of the configuration, as csindexer takes it: the
// databases of the directory collection share the index root, which "all"
// checks once.
TEST(OperatorTools, ToolsFindTheIndexOfAConfiguredDatabase)
{
    CSampleSandbox box;
    ASSERT_EQ(box.run({"-d", "all"}).exitCode, 0);
    ProcessResult checked = box.tool("cscheck", {"-d", "all"});
    EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
    EXPECT_EQ(checked.out.find(box.indexRoot() + ": sound, "), 0u) << checked.out;
    EXPECT_EQ(std::count(checked.out.begin(), checked.out.end(), '\n'), 1) << "the shared root once: " << checked.out;
    ProcessResult quiet = box.tool("cscheck", {"-q", "-d", "beta"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out, "");

    ProcessResult byName = box.tool("cssearch", {"-d", "alpha", "-n", "0", "harbour"});
    ProcessResult byDir = box.tool("cssearch", {"-i", box.indexRoot(), "-n", "0", "harbour"});
    EXPECT_EQ(byName.exitCode, 0) << byName.err;
    EXPECT_EQ(byName.out, byDir.out);
    EXPECT_FALSE(byName.out.empty());

    ProcessResult unknown = box.tool("cscheck", {"-d", "gamma"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("names no database gamma"), std::string::npos) << unknown.err;
    unknown = box.tool("cssearch", {"-d", "gamma", "harbour"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("names no database gamma"), std::string::npos) << unknown.err;
    ProcessResult both = box.tool("cssearch", {"-d", "alpha", "-i", box.indexRoot(), "harbour"});
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_NE(both.err.find("name the index with -d or -i"), std::string::npos) << both.err;
}

// The tools only read: every file of the index root and of the program home
// keeps its bytes and its modification time, and no file comes or goes.
TEST(OperatorTools, SearchAndCheckNeverChangeAnIndex)
{
    CSampleSandbox box;
    ASSERT_EQ(box.run({"-d", "alpha"}).exitCode, 0);
    ASSERT_EQ(box.run({"-d", "alpha"}).exitCode, 0);   // two barrels, or one merged
    // Leftovers the checker reports but must not clear.
    WriteFile(box.indexRoot() + "/_0.tid.tmp", "x");
    WriteFile(box.dir() + "/index.rename", "");
    auto index = SnapshotTree(box.indexRoot());
    auto home = SnapshotTree(box.dir() + "/conf");
    std::vector<std::string> homeFiles = ListDir(box.dir());

    for (const char* query : {"index", "\"inverted index\"", "索引 OR 圖書館", "NOT harbour", "date:2024-01-01.."})
        box.tool("cssearch", {"-d", "alpha", "-n", "0", query});
    box.tool("cssearch", {"-d", "alpha", "--json", "harbour"});
    ProcessResult checked = box.tool("cscheck", {"-d", "alpha"});
    EXPECT_EQ(checked.exitCode, 1) << "the leftovers are reported";
    box.tool("cscheck", {"--home", box.dir(), box.indexRoot()});

    EXPECT_EQ(SnapshotTree(box.indexRoot()), index);
    EXPECT_EQ(SnapshotTree(box.dir() + "/conf"), home);
    EXPECT_EQ(ListDir(box.dir()), homeFiles);
}

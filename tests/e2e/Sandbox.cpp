#include "e2e/Sandbox.h"

#include <filesystem>
#include <unistd.h>

namespace cs::test {

CSandbox::CSandbox()
{
    static int counter = 0;
    m_dir = MakeTempDir("sandbox");
    m_name = "csindexer-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    m_program = m_dir + "/" + m_name;
    std::filesystem::copy_file(CS_INDEXER_PATH, m_program);
    writePathConfig("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<pathconfig><root>" + conf() +
                    "</root><GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH>"
                    "<CONFIGURATE_PATH>content_mode.xml</CONFIGURATE_PATH><DBINFO_PATH>dbinfo.txt</DBINFO_PATH>"
                    "<STRRES_PATH>strres.xml</STRRES_PATH><DICTIONARY_PATH>dictionary.txt</DICTIONARY_PATH>"
                    "<STOPWORD_PATH>stopwords.txt</STOPWORD_PATH></pathconfig>\n");
    std::filesystem::create_directory(docs());
    writeGlobal(global());
    WriteFile(conf() + "/strres.xml", ReadFile(SourcePath("conf/strres.xml")));
    // No content_mode.xml: the built-in content mode, with the loader's WARN.
    for (const char* name : {"dictionary.txt", "stopwords.txt"})
        WriteFile(conf() + "/" + name, ReadFile(std::string(CS_TEST_DATA_DIR) + "/analyze/" + name));
    writeDbInfo("dbcount=2\ndbname0=alpha\ndbdepict0=Alpha\ndbname1=beta\ndbdepict1=Beta\nhost=127.0.0.1\nport=3306\n");
}

std::string CSandbox::global(const std::string& index, const std::string& log) const
{
    // A run of the directory collection needs a source directory to walk.
    std::string source = index.find("<source>") == std::string::npos ? "<source>" + docs() + "</source>" : "";
    return "<index>" + index + source + "<path>" + indexRoot() + "</path><memory>20000000</memory>"
           "<weekday>0</weekday><adjusttime>02:00:00</adjusttime></index>"
           "<advanced><merge><m>3</m><c>2</c><s>1</s><recycleStrategy>0</recycleStrategy></merge></advanced>"
           "<recreate><records>10000000</records><delpercent>50</delpercent></recreate>"
           "<log><path>" + m_dir + "/log</path>" + log + "</log>";
}

void CSandbox::writeGlobal(const std::string& body)
{
    WriteFile(conf() + "/global.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<config>" + body + "</config>\n");
}

void CSandbox::writeDbInfo(const std::string& text) { WriteFile(conf() + "/dbinfo.txt", text); }

void CSandbox::writePathConfig(const std::string& content) { WriteFile(m_dir + "/pathconfig.xml", content); }

ProcessResult CSandbox::run(const std::vector<std::string>& args, int killAfterMs) const
{
    std::vector<std::string> argv{m_program};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, m_dir, {}, killAfterMs);
}

std::string CSandbox::logText() const
{
    std::string text;
    for (const std::string& name : ListDir(logDir()))
        text += ReadFile(logDir() + name);
    return text;
}

bool CSandbox::logged(const std::string& level, const std::string& piece, size_t from) const
{
    std::string log = logText();
    // A line is "hh:mm:ss LEVEL ...".
    for (size_t at = log.find(piece, from); at != std::string::npos; at = log.find(piece, at + 1)) {
        size_t lineStart = log.rfind('\n', at);
        lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
        if (lineStart >= from && log.compare(lineStart + 9, level.size(), level) == 0)
            return true;
    }
    return false;
}

} // namespace cs::test

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
    writeGlobal(global());
    WriteFile(conf() + "/strres.xml", ReadFile(SourcePath("conf/strres.xml")));
    // No content_mode.xml: the built-in content mode, with the loader's WARN.
    for (const char* name : {"dictionary.txt", "stopwords.txt"})
        WriteFile(conf() + "/" + name, ReadFile(std::string(CS_TEST_DATA_DIR) + "/analyze/" + name));
    writeDbInfo("dbcount=2\ndbname0=alpha\ndbdepict0=Alpha\ndbname1=beta\ndbdepict1=Beta\nhost=127.0.0.1\nport=3306\n");
}

std::string CSandbox::global(const std::string& index, const std::string& log) const
{
    return "<index>" + index + "<path>" + indexRoot() + "</path><memory>20000000</memory>"
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

} // namespace cs::test

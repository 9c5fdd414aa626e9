#include "e2e/ActivitySandbox.h"

#include <climits>
#include <ctime>

#include <zlib.h>

#include "support/IndexFiles.h"
#include "support/TestSupport.h"

namespace cs::test {

int32_t ActivityDoc::term(const std::string& field) const
{
    auto it = terms.find(field);
    return it == terms.end() || it->second.size() != 1 ? INT32_MIN : it->second[0];
}

std::vector<ActivityDoc> ReadActivityIndex(const std::string& dir)
{
    std::vector<ActivityDoc> all;
    if (!FileExists(dir + "/index_status.xml"))
        return all;
    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    for (const BarrelRecord& barrel : status.barrels) {
        std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/" + barrel.name + ".fdi");
        std::vector<StoredDocument> stored = ReadStoredFields(dir, barrel.name, fields);
        std::vector<ActivityDoc> docs(stored.size());
        for (size_t id = 0; id < fields.size(); ++id) {
            const std::string& name = fields[id].name;
            if (name == "path") {
                for (size_t d = 0; d < stored.size(); ++d) {
                    for (const StoredField& field : stored[d].fields) {
                        if (field.fieldId == id)
                            docs[d].path = field.text;
                    }
                }
            } else if (fields[id].indexed() && (name == "user" || name == "group" || name == "date" || name == "type")) {
                for (const TermPostings& term : ReadFieldPostings(dir, barrel.name, fields[id])) {
                    for (uint32_t doc : term.docs)
                        docs.at(doc).terms[name].push_back(term.term);
                }
            }
        }
        for (size_t d = 0; d < stored.size(); ++d) {
            if (!stored[d].deleted)
                all.push_back(docs[d]);
        }
    }
    return all;
}

std::map<std::string, int> PathCounts(const std::vector<ActivityDoc>& docs)
{
    std::map<std::string, int> counts;
    for (const ActivityDoc& doc : docs)
        ++counts[doc.path];
    return counts;
}

int32_t CrcTerm(const std::string& bytes)
{
    return static_cast<int32_t>(::crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

int32_t DayTerm(const std::string& date)
{
    std::tm day{};
    day.tm_year = std::stoi(date.substr(0, 4)) - 1900;
    day.tm_mon = std::stoi(date.substr(5, 2)) - 1;
    day.tm_mday = std::stoi(date.substr(8, 2));
    return static_cast<int32_t>(::timegm(&day) / 86400);
}

CActivitySandbox::CActivitySandbox()
{
    std::string data = std::string(CS_TEST_DATA_DIR) + "/analyze/";
    writePathConfig("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<pathconfig><root>" + conf() +
                    "</root><GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH>"
                    "<CONFIGURATE_PATH>content_mode.xml</CONFIGURATE_PATH><DBINFO_PATH>dbinfo.txt</DBINFO_PATH>"
                    "<STRRES_PATH>strres.xml</STRRES_PATH><DICTIONARY_PATH>dictionary.txt</DICTIONARY_PATH>"
                    "<STOPWORD_PATH>stopwords.txt</STOPWORD_PATH>"
                    "<SEARCH_KEYWORDS_CONFIG>search_keywords.xml</SEARCH_KEYWORDS_CONFIG>"
                    "<TRASHURL_STRING_CONFIG>trashurl.xml</TRASHURL_STRING_CONFIG></pathconfig>\n");
    WriteFile(conf() + "/dictionary.txt", ReadFile(data + "dictionary.txt"));
    WriteFile(conf() + "/stopwords.txt", ReadFile(data + "stopwords.txt"));
    WriteFile(conf() + "/search_keywords.xml", ReadFile(SourcePath("conf/search_keywords.xml")));
    WriteFile(conf() + "/trashurl.xml", ReadFile(SourcePath("conf/trashurl.xml")));
    std::string mode = ReadFile(SourcePath("conf/content_mode.xml"));
    const std::string from = "<identifier>directory.collection</identifier>";
    mode.replace(mode.find(from), from.size(), "<identifier>content.collection</identifier>");
    WriteFile(conf() + "/content_mode.xml", mode);
    configure();
}

void CActivitySandbox::configure(const std::string& index, const std::string& more, const std::string& level)
{
    writeGlobal(global("<system_status>1</system_status>" + index, "<level>" + level + "</level>") + more);
}

void CActivitySandbox::databases(const std::vector<std::string>& names, const std::string& filepath)
{
    const TestDbServer& server = TestDatabaseServer();
    std::string text = "dbcount=" + std::to_string(names.size()) + "\n";
    for (size_t i = 0; i < names.size(); ++i)
        text += "dbname" + std::to_string(i) + "=" + names[i] + "\ndbdepict" + std::to_string(i) + "=" + names[i] + "\n";
    text += "host=" + server.host + "\nport=" + std::to_string(server.port) + "\nuser=" + server.user +
            "\npassword=" + server.password + "\nfilepath=" + (filepath.empty() ? contentRoot() : filepath) + "\n";
    writeDbInfo(text);
}

ProcessResult CActivitySandbox::index(const std::string& database, const std::vector<std::string>& args) const
{
    std::vector<std::string> all{"-d", database};
    all.insert(all.end(), args.begin(), args.end());
    return run(all);
}

void CActivitySandbox::contentFile(const std::string& database, const std::string& qvlogPath, const std::string& prefix,
                                   const std::string& data) const
{
    std::string relative = qvlogPath.substr(std::string("/qvlog/").size());
    size_t slash = relative.rfind('/');
    std::string path = contentRoot() + "/" + database + "/" + relative.substr(0, slash + 1) + prefix +
                       relative.substr(slash + 1);
    std::string bytes = data;
    if (prefix == "e_") {
        for (char& c : bytes)
            c = static_cast<char>(c ^ 0xC6);
    }
    WriteFile(path, bytes);
}

} // namespace cs::test

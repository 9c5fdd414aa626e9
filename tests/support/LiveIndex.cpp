#include "support/LiveIndex.h"

#include <sstream>

#include "support/IndexFiles.h"
#include "support/TestSupport.h"

namespace cs::test {

namespace {

// The field's id, -1 when the barrel has no such field.
int FieldNamed(const std::vector<FieldInfoRecord>& fields, const std::string& name)
{
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

// The postings of the field, none without it.
std::vector<TermPostings> Postings(const std::string& dir, const std::string& barrel,
                                   const std::vector<FieldInfoRecord>& fields, const std::string& name)
{
    int id = FieldNamed(fields, name);
    return id < 0 ? std::vector<TermPostings>() : ReadFieldPostings(dir, barrel, fields[id]);
}

} // namespace

CLiveIndex::CLiveIndex(const std::string& dir)
{
    if (!FileExists(dir + "/index_status.xml"))
        return;
    for (const BarrelRecord& barrel : ReadIndexStatus(dir + "/index_status.xml").barrels) {
        std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/" + barrel.name + ".fdi");
        std::vector<bool> deleted(static_cast<size_t>(barrel.docCount), false);
        if (FileExists(dir + "/" + barrel.name + ".del")) {
            DeletedDocs marks = ReadDeletedDocs(dir + "/" + barrel.name + ".del");
            for (size_t doc = 0; doc < marks.deleted.size() && doc < deleted.size(); ++doc)
                deleted[doc] = marks.deleted[doc];
        }
        int pathId = FieldNamed(fields, "path");
        std::vector<StoredDocument> stored = ReadStoredFields(dir, barrel.name, fields);
        for (size_t doc = 0; doc < deleted.size(); ++doc) {
            if (deleted[doc])
                continue;
            Document& document = m_documents[barrel.docStart + static_cast<int64_t>(doc)];
            for (const StoredField& field : stored.at(doc).fields) {
                if (static_cast<int>(field.fieldId) == pathId)
                    document.path = field.text;
            }
        }
        for (const TermPostings& term : Postings(dir, barrel.name, fields, "text")) {
            for (uint32_t doc : term.docs) {
                if (!deleted.at(doc))
                    m_text[term.term].push_back(barrel.docStart + doc);
            }
        }
        for (const TermPostings& term : Postings(dir, barrel.name, fields, "date")) {
            for (uint32_t doc : term.docs) {
                if (!deleted.at(doc))
                    m_documents[barrel.docStart + doc].days.insert(term.term);
            }
        }
    }
}

std::map<std::string, int64_t> ReadFileList(const std::string& path)
{
    std::map<std::string, int64_t> files;
    std::istringstream lines(ReadFile(path));
    std::string line;
    std::getline(lines, line);   // the header
    while (std::getline(lines, line) && line.compare(0, 4, "end\t") != 0) {
        size_t tab = line.find('\t');
        size_t pathStart = line.find('\t', line.find('\t', line.find('\t', tab + 1) + 1) + 1) + 1;
        files[line.substr(pathStart)] = std::stoll(line.substr(0, tab));
    }
    return files;
}

std::string StateAgreesWithIndex(const std::string& dir)
{
    CLiveIndex live(dir);
    std::map<std::string, int64_t> files;
    if (FileExists(dir + "/collected_files.txt"))
        files = ReadFileList(dir + "/collected_files.txt");
    std::set<int64_t> named;
    for (const auto& [path, doc] : files) {
        if (doc < 0)
            continue;
        auto it = live.documents().find(doc);
        if (it == live.documents().end())
            return path + " names document " + std::to_string(doc) + ", which is not live";
        if (it->second.path != path)
            return path + " names document " + std::to_string(doc) + " of " + it->second.path;
        named.insert(doc);
    }
    for (const auto& [doc, document] : live.documents()) {
        if (named.count(doc) == 0)
            return "live document " + std::to_string(doc) + " of " + document.path + " is named by no file";
    }
    return std::string();
}

std::vector<int64_t> CLiveIndex::withTerm(int32_t term) const
{
    auto it = m_text.find(term);
    return it == m_text.end() ? std::vector<int64_t>() : it->second;
}

} // namespace cs::test

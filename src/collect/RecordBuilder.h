// Turns an activity record and its content row into the document the index
// writer receives: user, group, date, type and path fields, the record's own
// text and its attached file.
#pragma once

#include <cstdint>
#include <string>

#include "collect/RecordDocument.h"
#include "collect/ResultValues.h"

namespace cs::collection {

class CNameTables;

// What a record's private_type (and app_crc) make of it.
struct CRecordClass {
    char table;          // letter of its content table: U, P, M or C
    char kind;           // W, S, C, U or M
    int collectType;
    const char* word;    // the value of the field "type"
};

// The class of a record; null for the kinds that are not collected (their
// content lies in the tables "O").
const CRecordClass* ClassifyRecord(int privateType, uint32_t appCrc);

// "YYYY-MM-DD" from the record table's digits, a space and the time of day.
std::string RecordDate(const std::string& table, const std::string& time);

// The text of an upload: tags removed, the entities &quot; &amp; &lt; &gt;
// and &nbsp; replaced by their characters.
std::string StripUploadMarkup(const std::string& text);

class CRecordBuilder {
public:
    explicit CRecordBuilder(const CNameTables& names) : m_names(names) {}

    // `contentRoot` ends with "/" and replaces the "/qvlog/" of file paths.
    void setContentRoot(const std::string& contentRoot) { m_root = contentRoot; }

    // Fills `doc` from the rows of a record of table `table`. Raises
    // CBadRecord for a row that cannot become a document.
    void build(const std::string& table, const CRecordRow& record, const CRecordClass& recordClass,
               const CContentRow& content, CRecordDocument& doc);

    // The content file that a "/qvlog/..." path names: below the content
    // root, its name prefixed "e_" (scrambled), or "n_" when no "e_" file
    // exists. CBadRecord for a path outside the log tree.
    std::string attachPath(const std::string& path) const;

private:
    void buildChat(const CRecordRow& record, CRecordDocument& doc);
    void buildWeb(const CRecordRow& record, const CContentRow& content, CRecordDocument& doc);
    void buildSearch(const CRecordRow& record, CRecordDocument& doc);
    void buildUpload(const CRecordRow& record, const CContentRow& content, CRecordDocument& doc);
    void buildMail(const CContentRow& content, CRecordDocument& doc);

    std::string m_root;
    const CNameTables& m_names;
    CResultValues m_values;
};

} // namespace cs::collection

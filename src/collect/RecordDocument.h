// One activity record as the collection hands it to the index writer: the
// values of the fields it fills, its kind, its file type and its input.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace cs::collection {

// A record row and its content row, as read from the database.
struct CRecordRow {
    uint32_t autoId = 0;
    uint32_t recordId = 0;
    uint32_t devId = 0;
    uint32_t accountId = 0;
    std::string userCrc;     // column text; empty for NULL
    std::string groupCrc;
    uint32_t appCrc = 0;
    std::string recordTime;
    int privateType = 0;
};

struct CContentRow {
    uint32_t autoId = 0;
    std::string result;      // the result document (chat, web, search, upload)
    std::string path;        // `path`, or `mail_path` for mail
};

struct CRecordDocument {
    uint16_t kind = 0;       // 'W', 'S', 'C', 'U' or 'M'
    int32_t fileType = 0;
    std::string user;
    std::string group;
    std::string date;
    std::string type;        // "web", "search", "chat", "httpup", "mail"
    std::string path;        // kind letter / table digits / content auto_id
    std::string text;        // the record's own text, the document's buffer
    std::string file;        // the attached file; empty when there is none
};

// A row of the capture component that cannot become a document (a file path
// outside the log tree, a value an analyser rejects). The record is passed over.
class CBadRecord : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace cs::collection

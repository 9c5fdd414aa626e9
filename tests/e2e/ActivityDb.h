// A hand-made activity database in a scratch database of the test server:
// the name tables, record and content tables of a day, and records with their
// content rows, all written in UTF-8 the way the capture component stores them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "collect/Database.h"

namespace cs::test {

class CActivityDb {
public:
    struct Row {
        int type = 10;                    // private_type
        uint32_t app = 1;                 // app_crc
        int index3 = 1;
        std::string time = "10:00:00";    // record_time
        std::string user = "Alice";       // a name of `username`; empty: NULL
        std::string group = "研发部";     // a name of `groupname`; empty: NULL
        bool content = true;              // false: no content row
        std::string result;               // result document; "NULL" for SQL NULL
        std::string path;                 // path (mail_path for mail); "NULL" for SQL NULL
    };
    struct Added {
        uint32_t autoId = 0;
        uint32_t contentId = 0;           // 0 without a content row
    };

    explicit CActivityDb(const std::string& database);

    void sql(const std::string& utf8);
    // The name tables, keyed by the CRC-32 of each UTF-8 name.
    void names(const std::vector<std::string>& users, const std::vector<std::string>& groups);
    // The record table "A" + `day` and the content tables of `letters`.
    void day(const std::string& day, const std::string& letters = "UPMCO");
    Added add(const std::string& day, const Row& row);

    static uint32_t Crc(const std::string& bytes);
    // <result><_f n="name">value</_f>...</result>, values escaped.
    static std::string Result(const std::vector<std::pair<std::string, std::string>>& values);

private:
    uint32_t lastId();

    utility::CDatabase m_db;
    uint32_t m_nextRecordId = 1000;
};

} // namespace cs::test

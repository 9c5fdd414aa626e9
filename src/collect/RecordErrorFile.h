// "rt.err" in the program's directory: present while a collection runs, and
// left behind, naming the table and auto_id, when a record ended the process.
#pragma once

#include <cstdint>
#include <string>

namespace cs::collection {

class CRecordErrorFile {
public:
    CRecordErrorFile() = default;
    ~CRecordErrorFile();
    CRecordErrorFile(const CRecordErrorFile&) = delete;
    CRecordErrorFile& operator=(const CRecordErrorFile&) = delete;

    static std::string path();

    void create();
    // Writes "table:auto_id", says `failure` (the record and why it could not
    // be handled) and ends the process with exit code 1.
    [[noreturn]] void fail(const std::string& table, uint32_t autoId, const std::string& failure);
    // Closes and deletes the file: the run ended normally.
    void remove();

private:
    int m_fd = -1;
};

} // namespace cs::collection

// Index input over a file descriptor opened read-only. Clones share the
// descriptor (every read is positioned), so a query that follows many terms
// of one barrel holds each of its files open once.
#pragma once

#include <memory>
#include <string>

#include "store/IndexInput.h"

namespace cs::store {

class CSyncIStream : public CIndexInput {
public:
    // Buffer of BUFFER_SIZE bytes, allocated at the first read.
    explicit CSyncIStream(const std::string& filename);
    // Own buffer of `bufsize` bytes.
    CSyncIStream(const std::string& filename, int32_t bufsize);
    // The caller's buffer, which must outlive the stream.
    CSyncIStream(const std::string& filename, char* buffer, int32_t bufsize);
    ~CSyncIStream() override;
    // A stream on `filename`, or null when there is no such file; any other
    // failure to open it raises.
    static std::unique_ptr<CSyncIStream> openExisting(const std::string& filename);

    CIndexInput* clone() override;
    CIndexInput* clone(char* buffer, int32_t bufsize) override;
    void close() override;

    const std::string& fileName() const { return m_fileName; }
    int descriptor() const { return m_pFile ? m_pFile->fd : -1; }   // -1 once closed

protected:
    int64_t readInternal(void* destination, int64_t length, bool seekFirst) override;
    void seekInternal(int64_t position) override;

private:
    // The open file, closed when its last stream lets go of it.
    struct CFile {
        int fd;
        ~CFile();
    };

    struct Unopened {};
    CSyncIStream(const std::string& filename, Unopened);
    CSyncIStream(const CSyncIStream& original, char* buffer, int32_t bufsize);
    // False for a missing file when `missingIsNone`; any other failure raises.
    bool openFile(bool missingIsNone = false);

    std::shared_ptr<CFile> m_pFile;
    std::string m_fileName;
    int64_t m_filePosition = 0;   // where a read that does not seek first begins
};

} // namespace cs::store

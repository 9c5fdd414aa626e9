// Index input over a file descriptor opened read-only.
#pragma once

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

    CIndexInput* clone() override;
    CIndexInput* clone(char* buffer, int32_t bufsize) override;
    void close() override;

    const std::string& fileName() const { return m_fileName; }
    int descriptor() const { return m_fd; }   // -1 once closed

protected:
    int64_t readInternal(void* destination, int64_t length, bool seekFirst) override;
    void seekInternal(int64_t position) override;

private:
    void openFile();

    int m_fd = -1;
    std::string m_fileName;
    int64_t m_filePosition = 0;   // where a read that does not seek first begins
};

} // namespace cs::store

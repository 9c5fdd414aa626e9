// Index output over a file descriptor opened for writing. A failed write or
// seek cannot be recovered by the caller (the index file would be silently
// incomplete): it ends the process through the fatal error report (written
// behind, at the next buffer handed over or at close).
#pragma once

#include <memory>
#include <string>

#include "store/IndexOutput.h"

namespace cs::store {

class CWriteBehind;

class CSyncOStream : public CIndexOutput {
public:
    // Creates or truncates the file.
    explicit CSyncOStream(const std::string& filename);
    ~CSyncOStream() override;

    int64_t position() const override { return m_bufferStart + m_bufferPosition; }
    void seek(int64_t position) override;
    // Closes the current file and starts a new one at position 0; -1 when the
    // file cannot be opened.
    int open(const std::string& filename) override;
    // Writes what is buffered and commits the file to disk.
    void close() override;
    void writeBehind() override;

    const std::string& fileName() const { return m_fileName; }

    // Written bytes are handed to the disk in runs of this size as the file
    // grows, so that the commit at close waits only for the last of them.
    static constexpr int64_t WRITEBACK_RUN = 4 << 20;

protected:
    void flushBuffer(const uint8_t* data, int64_t length) override;
    // Between files of the same file system the kernel copies the bytes.
    int64_t copyFileData(CIndexInput* pInput, int64_t position, int64_t length) override;

private:
    // After bytes up to `end` were written.
    void written(int64_t end);
    // Waits for the buffers written behind; a failed write ends the process.
    void drainBehind();

    int m_fd = -1;
    std::string m_fileName;
    int64_t m_writebackFrom = 0;   // the start of the bytes not handed to the disk yet
    std::unique_ptr<CWriteBehind> m_pBehind;   // with writeBehind(), until closed
};

} // namespace cs::store

#include "store/SyncOStream.h"

#include "platform/Env.h"
#include "store/SyncIStream.h"
#include "store/WriteBehind.h"
#include "utility/Error.h"
#include "utility/OsUtility.h"

namespace cs::store {

using utility::GetLastErrorText;

CSyncOStream::CSyncOStream(const std::string& filename) : m_fileName(filename)
{
    m_fd = platform::Env().createTruncated(m_fileName);
    if (m_fd == -1)
        CS_THROW("failed to open file: %s (%s)", m_fileName.c_str(), GetLastErrorText().c_str());
}

CSyncOStream::~CSyncOStream()
{
    try {
        close();
    } catch (const std::exception&) {
        // Already logged where it was raised; a destructor must not throw.
    }
}

void CSyncOStream::flushBuffer(const uint8_t* data, int64_t length)
{
    if (length == 0)
        return;
    CS_ASSERT_ARG_TEXT(data != nullptr && length > 0, "b != NULL && len > 0");
    if (m_pBehind && data == m_buffer) {
        // The buffers go round: all must be of the size written behind.
        CS_ASSERT_OP_TEXT(m_capacity == m_pBehind->capacity(), "buffer size set after writeBehind()");
        std::string error;
        if (!m_pBehind->hand(m_buffer, length, m_bufferStart, error))
            utility::DumpLastError(error);
        return;
    }
    drainBehind();   // a block of the caller's memory is written now, after the buffers before it
    // One positioned write: no seek to make first.
    if (!platform::Env().writeAllAt(m_fd, data, static_cast<size_t>(length), m_bufferStart))
        utility::DumpLastError(GetLastErrorText());
    written(m_bufferStart + length);
}

void CSyncOStream::writeBehind()
{
    if (m_fd == -1 || m_pBehind)
        return;
    m_pBehind = std::make_unique<CWriteBehind>(
        m_capacity, [this](const uint8_t* data, int64_t length, int64_t position, std::string& error) {
            if (!platform::Env().writeAllAt(m_fd, data, static_cast<size_t>(length), position)) {
                error = GetLastErrorText();
                return false;
            }
            written(position + length);
            return true;
        });
}

void CSyncOStream::drainBehind()
{
    std::string error;
    if (m_pBehind && !m_pBehind->drain(error))
        utility::DumpLastError(error);
}

void CSyncOStream::written(int64_t end)
{
    // Writes after a seek back are left to the commit.
    if (end - m_writebackFrom < WRITEBACK_RUN)
        return;
    // Only a hint: the commit at close reports any failure.
    platform::Env().startWriteback(m_fd, m_writebackFrom, end - m_writebackFrom);
    m_writebackFrom = end;
}

int64_t CSyncOStream::copyFileData(CIndexInput* pInput, int64_t position, int64_t length)
{
    auto* pFile = dynamic_cast<CSyncIStream*>(pInput);
    if (!pFile || pFile->descriptor() == -1 || m_fd == -1)
        return 0;
    drainBehind();   // the hint below counts on the bytes before it being written
    // A short copy leaves the rest to the buffers, which report a real failure.
    int64_t copied = platform::Env().copyFileData(pFile->descriptor(), position, m_fd, m_bufferStart, length);
    written(m_bufferStart + copied);
    return copied;
}

void CSyncOStream::seek(int64_t position)
{
    CS_ASSERT_ARG(position >= 0);
    CIndexOutput::seek(position);   // writes are positioned: the descriptor needs no seek
}

int CSyncOStream::open(const std::string& filename)
{
    close();
    m_fileName = filename;
    m_fd = platform::Env().createTruncated(m_fileName);
    allocateBuffer();
    m_bufferStart = 0;
    m_bufferPosition = 0;
    m_writebackFrom = 0;
    return m_fd;
}

void CSyncOStream::close()
{
    if (m_fd == -1)
        return;
    flush();
    drainBehind();
    m_pBehind.reset();
    releaseBuffer();
    int fd = m_fd;
    m_fd = -1;
    bool committed = platform::Env().commitFile(fd);
    std::string reason = committed ? std::string() : GetLastErrorText();
    // A failed close can report a write that the commit did not.
    if (!platform::Env().closeFile(fd) && committed) {
        committed = false;
        reason = GetLastErrorText();
    }
    if (!committed)
        CS_THROW("failed to commit file: (%s)", reason.c_str());
}

} // namespace cs::store

#include "store/SyncIStream.h"

#include "platform/Env.h"
#include "platform/Platform.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"

namespace cs::store {

using utility::GetLastErrorText;

CSyncIStream::CSyncIStream(const std::string& filename)
    : CIndexInput(nullptr, BUFFER_SIZE, true), m_fileName(filename)
{
    openFile();
}

CSyncIStream::CSyncIStream(const std::string& filename, int32_t bufsize)
    : CIndexInput(nullptr, bufsize, true), m_fileName(filename)
{
    CS_ASSERT_ARG_TEXT(bufsize > 0, "filename != NULL && bufsize > 0");
    allocateBuffer();
    openFile();
}

CSyncIStream::CSyncIStream(const std::string& filename, char* buffer, int32_t bufsize)
    : CIndexInput(buffer, bufsize, false), m_fileName(filename)
{
    CS_ASSERT_ARG_TEXT(buffer != nullptr && bufsize > 0, "filename != NULL && bufsize != NULL && bufsize > 0");
    openFile();
}

CSyncIStream::~CSyncIStream()
{
    try {
        close();
    } catch (const std::exception&) {
        // Already logged where it was raised; a destructor must not throw.
    }
}

CSyncIStream::CSyncIStream(const std::string& filename, Unopened)
    : CIndexInput(nullptr, BUFFER_SIZE, true), m_fileName(filename)
{
}

std::unique_ptr<CSyncIStream> CSyncIStream::openExisting(const std::string& filename)
{
    std::unique_ptr<CSyncIStream> pStream(new CSyncIStream(filename, Unopened{}));
    if (!pStream->openFile(true))
        return nullptr;
    return pStream;
}

CSyncIStream::CSyncIStream(const CSyncIStream& original, char* buffer, int32_t bufsize)
    : CIndexInput(buffer, bufsize, buffer == nullptr), m_pFile(original.m_pFile), m_fileName(original.m_fileName)
{
    m_length = original.m_length;
    if (!buffer)
        allocateBuffer();
}

CSyncIStream::CFile::~CFile()
{
    if (fd != -1)
        platform::Env().closeFile(fd);
}

bool CSyncIStream::openFile(bool missingIsNone)
{
    int fd = platform::Env().openFileForRead(m_fileName);
    if (fd == -1 && missingIsNone && platform::IsMissingFileError(platform::LastErrorCode()))
        return false;
    if (fd == -1)
        CS_THROW("failed to open file: %s (%s)", m_fileName.c_str(), GetLastErrorText().c_str());
    if (!platform::Env().fileDescriptorLength(fd, m_length)) {
        std::string reason = GetLastErrorText();
        platform::Env().closeFile(fd);
        CS_THROW("failed to get file length: %s (%s)", m_fileName.c_str(), reason.c_str());
    }
    m_pFile.reset(new CFile{fd});
    return true;
}

CIndexInput* CSyncIStream::clone()
{
    CS_ASSERT_OP_TEXT(m_pFile != nullptr, "the stream is open");
    return new CSyncIStream(*this, nullptr, bufsize());
}

CIndexInput* CSyncIStream::clone(char* buffer, int32_t bufsize)
{
    CS_ASSERT_ARG_TEXT(buffer != nullptr && bufsize > 0, "buffer != NULL && bufsize > 0");
    CS_ASSERT_OP_TEXT(m_pFile != nullptr, "the stream is open");
    return new CSyncIStream(*this, buffer, bufsize);
}

int64_t CSyncIStream::readInternal(void* destination, int64_t length, bool seekFirst)
{
    CS_ASSERT_ARG_TEXT(destination != nullptr && length > 0, "b != NULL && length > 0");
    // Positioned reads: the stream keeps the file position itself, so neither
    // a read nor a seek costs a seek of the descriptor.
    if (seekFirst)
        m_filePosition = position();
    int64_t count = platform::Env().readFileDataAt(m_pFile->fd, destination, length, m_filePosition);
    if (count < 0)
        CS_THROW("failed to read file: %s (%s)", m_fileName.c_str(), GetLastErrorText().c_str());
    m_filePosition += count;
    return count;
}

void CSyncIStream::seekInternal(int64_t position)
{
    CS_ASSERT_ARG(position >= 0 && position <= m_length);
    m_filePosition = position;
}

void CSyncIStream::close()
{
    if (!m_pFile)
        return;
    std::shared_ptr<CFile> pFile = std::move(m_pFile);
    if (pFile.use_count() > 1)
        return;   // a clone still reads it
    int fd = pFile->fd;
    pFile->fd = -1;
    if (!platform::Env().closeFile(fd))
        CS_THROW("failed to close file: %s (%s)", m_fileName.c_str(), GetLastErrorText().c_str());
    CS_LOG_DEBUG("open file: descriptor:%d", fd);
}

} // namespace cs::store

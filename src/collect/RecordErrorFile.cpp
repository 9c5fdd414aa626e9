#include "collect/RecordErrorFile.h"

#include <cstdlib>

#include "platform/Platform.h"
#include "utility/Format.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"

namespace cs::collection {

CRecordErrorFile::~CRecordErrorFile()
{
    if (m_fd != -1)
        platform::CloseFile(m_fd);
}

std::string CRecordErrorFile::path() { return utility::GetAppDir() + "rt.err"; }

void CRecordErrorFile::create()
{
    m_fd = platform::CreateTruncated(path());
    if (m_fd == -1)
        CS_LOG_WARN("failed to create %s: %s", path().c_str(), utility::GetLastErrorText().c_str());
}

void CRecordErrorFile::fail(const std::string& table, uint32_t autoId)
{
    if (m_fd != -1) {
        std::string text = utility::Format("%s:%u\n", table.c_str(), autoId);
        platform::WriteAll(m_fd, text.data(), text.size());
        platform::CommitFile(m_fd);
    }
    std::exit(1);
}

void CRecordErrorFile::remove()
{
    if (m_fd == -1)
        return;
    platform::CloseFile(m_fd);
    m_fd = -1;
    platform::RemoveFile(path());
}

} // namespace cs::collection

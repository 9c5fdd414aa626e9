#include "collect/RecordErrorFile.h"

#include <cstdlib>

#include "platform/Env.h"
#include "utility/Failure.h"
#include "utility/Format.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"

namespace cs::collection {

CRecordErrorFile::~CRecordErrorFile()
{
    if (m_fd != -1)
        platform::Env().closeFile(m_fd);
}

std::string CRecordErrorFile::path() { return utility::GetAppDir() + "rt.err"; }

void CRecordErrorFile::create()
{
    m_fd = platform::Env().createTruncated(path());
    if (m_fd == -1)
        CS_LOG_WARN("failed to create %s: %s", path().c_str(), utility::GetLastErrorText().c_str());
}

void CRecordErrorFile::fail(const std::string& table, uint32_t autoId, const std::string& failure)
{
    if (m_fd != -1) {
        std::string text = utility::Format("%s:%u\n", table.c_str(), autoId);
        platform::Env().writeAll(m_fd, text.data(), text.size());
        platform::Env().commitFile(m_fd);
    }
    utility::ExitWithFailure(1, failure + "; the next run starts again at this record (" + path() + ")");
}

void CRecordErrorFile::remove()
{
    if (m_fd == -1)
        return;
    platform::Env().closeFile(m_fd);
    m_fd = -1;
    platform::Env().removeFile(path());
}

} // namespace cs::collection

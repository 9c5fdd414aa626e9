#include "collect/RunProgress.h"

#include <algorithm>
#include <cmath>

#include "platform/Env.h"
#include "utility/Error.h"
#include "utility/Format.h"
#include "utility/OsUtility.h"

namespace cs::collection {

CRunProgress::~CRunProgress()
{
    if (m_fd != -1)
        platform::Env().closeFile(m_fd);
}

void CRunProgress::open(const std::string& path)
{
    m_fd = platform::Env().openFileForUpdate(path);
    if (m_fd == -1 || !platform::Env().fileDescriptorLength(m_fd, m_position))
        utility::DumpLastError(utility::GetLastErrorText());
}

void CRunProgress::start(size_t tables)
{
    m_tableShare = tables == 0 ? 0.0f : 1.0f / static_cast<float>(tables);
    m_s = m_c = m_tableEnd = 0;
}

void CRunProgress::beginTable(uint32_t records)
{
    m_s = m_c;
    m_tableEnd = std::min(1.0f, m_s + m_tableShare);
    m_step = m_tableShare / static_cast<float>(std::max<uint32_t>(records, 1));
}

void CRunProgress::recordHandled()
{
    // Rows added after the count may come on top of it.
    m_c = std::min(m_tableEnd, m_c + m_step);
}

void CRunProgress::endTable()
{
    m_s = m_c = m_tableEnd;
}

float CRunProgress::figure() const
{
    return std::min(100.0f, 100.0f * std::sqrt(m_s * m_c));
}

void CRunProgress::write()
{
    CS_ASSERT_OP_TEXT(m_fd != -1, "m_status.fp_run != NULL");
    std::string text = utility::Format("%.2f%%", static_cast<double>(figure()));
    if (!platform::Env().seekFile(m_fd, m_position) || !platform::Env().writeAll(m_fd, text.data(), text.size()))
        utility::DumpLastError(utility::GetLastErrorText());
}

} // namespace cs::collection

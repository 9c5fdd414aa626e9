#include "utility/ConsoleProgress.h"

#include <cstdio>

#include "platform/Platform.h"
#include "utility/Format.h"

namespace cs::utility {

CConsoleProgress& CConsoleProgress::instance()
{
    static CConsoleProgress progress(
        platform::IsTerminal(fileno(stderr)),
        [](const std::string& text) {
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fflush(stderr);
        },
        platform::MonotonicMillis);
    return progress;
}

CConsoleProgress::CConsoleProgress(bool active, Sink sink, Clock clock)
    : m_active(active), m_sink(std::move(sink)), m_clock(std::move(clock))
{
}

CConsoleProgress::~CConsoleProgress() { finish(); }

void CConsoleProgress::setUnit(const char* unit)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_unit = unit;
}

void CConsoleProgress::setSummary(const std::string& summary)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_summary = summary;
}

void CConsoleProgress::itemHandled()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_items;
    update(false);
}

void CConsoleProgress::bytesRead(int64_t count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (count > 0)
        m_bytes += count;
    update(false);
}

void CConsoleProgress::barrelWritten()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_barrels;
    update(true);
}

void CConsoleProgress::mergeDone()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_merges;
    update(true);
}

void CConsoleProgress::finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_active || (m_lastDraw < 0 && m_summary.empty()))
        return;
    m_final = true;
    update(true);
    m_sink("\n");
    m_final = false;
    m_summary.clear();
    m_lastDraw = -1;
    m_lastLength = 0;
}

void CConsoleProgress::update(bool force)
{
    if (!m_active)
        return;
    int64_t now = m_clock();
    if (m_start < 0)
        m_start = now;
    if (!force && m_lastDraw >= 0 && now - m_lastDraw < REDRAW_MS)
        return;
    std::string text = line(now);
    size_t length = text.size();
    // Blanks over the rest of a longer line drawn before.
    if (length < m_lastLength)
        text.append(m_lastLength - length, ' ');
    m_sink("\r" + text);
    m_lastDraw = now;
    m_lastLength = length;
}

std::string CConsoleProgress::line(int64_t now) const
{
    double seconds = static_cast<double>(now - m_start) / 1000.0;
    double rate = seconds > 0 ? static_cast<double>(m_items) / seconds : 0.0;
    return Format("%llu %s, %.1f MB read, %.0f %s/s, %d barrel%s, %d merge%s",
                  static_cast<unsigned long long>(m_items), m_unit.c_str(),
                  static_cast<double>(m_bytes) / (1024.0 * 1024.0), rate, m_unit.c_str(), m_barrels,
                  m_barrels == 1 ? "" : "s", m_merges, m_merges == 1 ? "" : "s") +
           (m_final && !m_summary.empty() ? "; " + m_summary : std::string());
}

} // namespace cs::utility

// The status line of a run started from a terminal: one line on standard
// error, redrawn in place, with the records or files handled, the megabytes
// read, the rate, the barrels written and the merges done. When standard error
// is no terminal the reporter stays silent, so logs and scripts see exactly
// what they saw without it. Threads may report at once (the bytes are read
// where documents are parsed).
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace cs::utility {

class CConsoleProgress {
public:
    // Where the line goes and the clock it is timed by; a test passes its own.
    using Sink = std::function<void(const std::string& text)>;
    using Clock = std::function<int64_t()>;   // milliseconds, never going back

    // The process-wide reporter on standard error, active only when standard
    // error is a terminal.
    static CConsoleProgress& instance();

    CConsoleProgress(bool active, Sink sink, Clock clock);
    ~CConsoleProgress();
    CConsoleProgress(const CConsoleProgress&) = delete;
    CConsoleProgress& operator=(const CConsoleProgress&) = delete;

    // What one item is: "files" for a directory, "records" for a database.
    void setUnit(const char* unit);
    void itemHandled();
    void bytesRead(int64_t count);
    void barrelWritten();
    void mergeDone();
    // What the run did, in words: the final line shows it after the figures.
    void setSummary(const std::string& summary);

    // Draws the line a last time, with the summary, and ends it, so that what
    // is printed next starts on a line of its own; nothing when no line was
    // drawn and there is no summary.
    void finish();

    bool active() const { return m_active; }

private:
    // Redraws at most every REDRAW_MS, unless `force`.
    void update(bool force);
    std::string line(int64_t now) const;

    static constexpr int64_t REDRAW_MS = 250;

    std::mutex m_mutex;   // over everything below
    bool m_active;
    Sink m_sink;
    Clock m_clock;
    std::string m_unit = "documents";
    std::string m_summary;
    uint64_t m_items = 0;
    int64_t m_bytes = 0;
    int m_barrels = 0;
    int m_merges = 0;
    int64_t m_start = -1;      // the clock at the first event
    int64_t m_lastDraw = -1;   // the clock at the last redraw, -1 before the first
    size_t m_lastLength = 0;   // of the last line drawn, to blank what is left of it
    bool m_final = false;      // drawing the final line
};

} // namespace cs::utility

// The progress figure of a collection run, written behind the status line of
// index.run and overwritten as the run goes on.
//
// Two fractions: s, reached when the current table began (and set again when
// it ends), and c, which starts each table at s and grows with every record
// handled. Every table of the run weighs the same; within a table every
// counted record weighs the same. The figure is 100 * sqrt(s * c), at most 100.
#pragma once

#include <cstdint>
#include <string>

namespace cs::collection {

class CRunProgress {
public:
    CRunProgress() = default;
    ~CRunProgress();
    CRunProgress(const CRunProgress&) = delete;
    CRunProgress& operator=(const CRunProgress&) = delete;

    // Opens the status file for reading and writing and takes its end as the
    // place of the figure. A failure ends the process through the fatal report.
    void open(const std::string& path);

    void start(size_t tables);
    void beginTable(uint32_t records);
    void recordHandled();
    void endTable();

    float figure() const;
    int percent() const { return static_cast<int>(figure()); }

    // Writes the figure as "%.2f%%" at its place.
    void write();

private:
    int m_fd = -1;
    int64_t m_position = 0;
    float m_tableShare = 0;   // share of one table in the run
    float m_tableEnd = 0;     // c at the end of the current table
    float m_step = 0;         // share of one record of the current table
    float m_s = 0;
    float m_c = 0;
};

} // namespace cs::collection

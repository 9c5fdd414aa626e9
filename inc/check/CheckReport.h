// The problems an index check finds: each names the file and, where it
// applies, the field, the term and the byte offset.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cs::check {

struct CProblem {
    std::string file;
    std::string field;       // empty when no field is concerned
    bool hasTerm = false;
    int64_t term = 0;
    int64_t offset = -1;     // -1: no offset
    std::string reason;

    // "file: field f, term t, byte o: reason"
    std::string text() const;
};

class CCheckReport {
public:
    // Problems kept in full; the rest are only counted.
    static constexpr size_t MAX_PROBLEMS = 200;

    void add(const CProblem& problem);
    void add(const std::string& file, const std::string& reason, int64_t offset = -1);
    // Things worth knowing that do not make an index unsound.
    void note(const std::string& text) { m_notes.push_back(text); }

    bool sound() const { return m_count == 0; }
    size_t count() const { return m_count; }
    const std::vector<CProblem>& problems() const { return m_problems; }
    const std::vector<std::string>& notes() const { return m_notes; }

private:
    std::vector<CProblem> m_problems;
    std::vector<std::string> m_notes;
    size_t m_count = 0;
};

} // namespace cs::check

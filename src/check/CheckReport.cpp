#include "check/CheckReport.h"

namespace cs::check {

std::string CProblem::text() const
{
    std::string where;
    auto part = [&where](const std::string& piece) { where += (where.empty() ? "" : ", ") + piece; };
    if (!field.empty())
        part("field " + field);
    if (hasTerm)
        part("term " + std::to_string(term));
    if (offset >= 0)
        part("byte " + std::to_string(offset));
    return file + ": " + (where.empty() ? "" : where + ": ") + reason;
}

void CCheckReport::add(const CProblem& problem)
{
    if (m_problems.size() < MAX_PROBLEMS)
        m_problems.push_back(problem);
    ++m_count;
}

void CCheckReport::add(const std::string& file, const std::string& reason, int64_t offset)
{
    CProblem problem;
    problem.file = file;
    problem.reason = reason;
    problem.offset = offset;
    add(problem);
}

} // namespace cs::check

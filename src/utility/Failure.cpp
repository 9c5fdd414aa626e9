#include "utility/Failure.h"

#include <cstdio>
#include <cstdlib>

#include "utility/Logger.h"
#include "utility/OsUtility.h"

namespace cs::utility {

std::string FailureText(const std::string& what, const std::string& subject, const std::string& reason)
{
    std::string text = what;
    if (!subject.empty())
        text += ": " + subject;
    if (!reason.empty())
        text += " (" + reason + ")";
    return text;
}

void SayFailure(const std::string& text)
{
    std::string line = GetAppFileName() + ": " + text;
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    for (char& c : line) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    line += '\n';
    std::fflush(stdout);   // what the program printed before comes first
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    CS_LOG_ERROR("%s", text.c_str());
}

void ExitWithFailure(int exitCode, const std::string& text)
{
    SayFailure(text);
    std::fflush(nullptr);
    std::exit(exitCode);
}

} // namespace cs::utility

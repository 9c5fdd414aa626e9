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

void SayLine(const std::string& text)
{
    std::string said = GetAppFileName() + ": " + text;
    while (!said.empty() && said.back() == '\n')
        said.pop_back();
    for (char& c : said) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    said += '\n';
    std::fflush(stdout);   // what the program printed before comes first
    std::fwrite(said.data(), 1, said.size(), stderr);
    std::fflush(stderr);
}

void SayFailure(const std::string& text, const char* file, int line)
{
    SayLine(text);
    LogError(CLogLocation(file, line), "%s", text.c_str());
}

void ExitWithFailure(int exitCode, const std::string& text, const char* file, int line)
{
    SayFailure(text, file, line);
    std::fflush(nullptr);
    std::exit(exitCode);
}

} // namespace cs::utility

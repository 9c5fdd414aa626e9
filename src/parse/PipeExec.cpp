#include "parse/PipeExec.h"

#include <algorithm>
#include <cstdarg>

#include "platform/Platform.h"
#include "utility/Error.h"
#include "utility/Failure.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"

namespace cs::parse {

using utility::GetLastErrorText;

CPipeExec::~CPipeExec()
{
    if (!cleanup())
        utility::ExitWithFailure(1, "cleanup() failed: " + GetLastErrorText());
}

bool CPipeExec::exec(const char* program, ...)
{
    std::vector<std::string> commandLine;
    va_list args;
    va_start(args, program);
    for (const char* element = program; element; element = va_arg(args, const char*)) {
        if (commandLine.size() == MAX_ELEMENTS) {
            va_end(args);
            return false;
        }
        commandLine.emplace_back(element);
    }
    va_end(args);
    return exec_cmd(commandLine);
}

bool CPipeExec::exec_cmd(const std::vector<std::string>& commandLine)
{
    if (!cleanup())
        CS_THROW("cleanup() failed: %s", GetLastErrorText().c_str());
    m_commandLine.clear();
    for (const std::string& element : commandLine)
        m_commandLine += (m_commandLine.empty() ? "\"" : " \"") + element + "\"";

    if (!platform::CreatePipe(m_fd))
        CS_THROW("exec_cmd() failed: %s", GetLastErrorText().c_str());
    int pid = platform::StartChild(commandLine, m_fd[1]);
    std::string startError = pid ? std::string() : GetLastErrorText();
    // Only the child writes into the pipe: with this end closed, the read end
    // sees the end of the output as soon as the child (and its own children)
    // are done with it.
    bool closed = platform::CloseDescriptor(m_fd[1]);
    m_fd[1] = -1;
    if (!pid) {
        CS_LOG_DEBUG("cannot start %s: %s", m_commandLine.c_str(), startError.c_str());
        platform::CloseDescriptor(m_fd[0]);
        m_fd[0] = -1;
        return false;
    }
    m_hexe = pid;
    if (!closed)
        CS_THROW("exec_cmd() failed: %s", GetLastErrorText().c_str());
    if (m_timeout >= 0)
        m_deadline = platform::MonotonicMillis() + int64_t(m_timeout) * 1000;
    CS_LOG_DEBUG("started %s", m_commandLine.c_str());
    return true;
}

int64_t CPipeExec::millisLeft() const
{
    if (m_deadline < 0)
        return -1;
    return std::max<int64_t>(0, m_deadline - platform::MonotonicMillis());
}

int CPipeExec::read(char* buf, int bufsize)
{
    CS_ASSERT_OP_TEXT(m_hexe != 0 && m_fd[0] != -1, "m_hexe != NULL && m_fd[0] != -1");
    CS_ASSERT_ARG_TEXT(buf != nullptr && bufsize > 0, "buf != NULL && bufsize > 0");

    // Wait for output with the deadline: a child that hangs without printing
    // is caught as surely as one that keeps printing.
    int64_t left = millisLeft();
    int ready = left == 0 ? 0 : platform::WaitReadable(m_fd[0], static_cast<int>(left));
    if (ready <= 0) {
        cleanupOrThrow();
        return ready == 0 ? -2 : -1;
    }
    long n = platform::ReadSome(m_fd[0], buf, static_cast<size_t>(std::min(bufsize, READ_CHUNK)));
    if (n > 0)
        return static_cast<int>(n);
    // The output is closed; the child may still be finishing its work (its
    // output file among it), so it gets the rest of its time to end.
    int result = static_cast<int>(n);
    if (n == 0) {
        left = millisLeft();
        int ended = left == 0 ? 0 : platform::WaitChildEnd(m_hexe, static_cast<int>(left));
        if (ended <= 0)
            result = ended == 0 ? -2 : -1;
    }
    cleanupOrThrow();
    return result;
}

void CPipeExec::cleanupOrThrow()
{
    if (!cleanup())
        CS_THROW("cleanup() failed: %s", GetLastErrorText().c_str());
}

bool CPipeExec::cleanup()
{
    // Everything is released even after a failure; the first error is the one reported.
    int error = 0;
    if (m_hexe) {
        if (!platform::KillAndReapChild(m_hexe))
            error = platform::LastErrorCode();
        m_hexe = 0;
    }
    for (int& fd : m_fd) {
        if (fd != -1 && !platform::CloseDescriptor(fd) && error == 0)
            error = platform::LastErrorCode();
        fd = -1;
    }
    m_deadline = -1;
    if (error == 0)
        return true;
    platform::SetLastErrorCode(error);
    return false;
}

} // namespace cs::parse

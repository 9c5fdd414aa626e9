// Runs one outside program as a child process and reads what it prints.
//
// The child's standard output and standard error arrive on one pipe; its
// standard input is this program's. The program is started directly with its
// argument vector (no shell), so file names reach it unchanged whatever they
// hold; the quoted command line is kept for the log. This program's own
// standard output is never touched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cs::parse {

class CPipeExec {
public:
    // Elements of a command line, the program included.
    static constexpr int MAX_ELEMENTS = 20;
    // Bytes one read hands out at most.
    static constexpr int READ_CHUNK = 100;

    CPipeExec() = default;
    // End of use: a child that cannot be cleaned up ends the program (exit code 1).
    ~CPipeExec();
    CPipeExec(const CPipeExec&) = delete;
    CPipeExec& operator=(const CPipeExec&) = delete;

    // Seconds a child may run, counted from its start; -1 for no limit.
    void setTimeout(int seconds) { m_timeout = seconds; }

    // exec(program, argument..., nullptr): at most MAX_ELEMENTS elements before
    // the end mark, else nothing is started. True when the child runs.
    bool exec(const char* program, ...) __attribute__((sentinel));

    // Starts the command line (program first). A child still running from
    // before is ended first. False when the program cannot be started.
    bool exec_cmd(const std::vector<std::string>& commandLine);

    // Reads at most READ_CHUNK bytes of the child's output. Returns the count
    // read; 0 when the child has ended and closed its output; -1 on failure;
    // -2 when the time limit ran out, whether the child went on printing or
    // hung silently. On 0, -1 and -2 the child is gone (killed if need be).
    int read(char* buf, int bufsize);

    // Kills the child and whatever it started if any of it still runs, reaps
    // it and closes the pipe. False when a system call failed (error code set).
    bool cleanup();

    // Every element in double quotes, separated by single spaces.
    const std::string& commandLine() const { return m_commandLine; }

private:
    // Milliseconds left before the deadline; -1 without a time limit.
    int64_t millisLeft() const;
    void cleanupOrThrow();

    int m_hexe = 0;              // child process id, 0 when there is none
    int m_fd[2] = {-1, -1};      // pipe: read end, write end
    int m_timeout = -1;          // seconds, -1 for none
    int64_t m_deadline = -1;     // monotonic milliseconds, -1 for none
    std::string m_commandLine;
};

} // namespace cs::parse

// The platform layer: every operating-system service the indexer relies on.
// Files and directories are reached through the replaceable environment of
// platform/Env.h; the process, its errors, child processes, pipes, clocks and
// terminals through the functions below. src/platform is the only place of the
// tree that talks to the kernel; the rest of the system calls these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cs::platform {

// ---- process -------------------------------------------------------------

// Full path of the running program; false when the system cannot tell.
bool ModuleFilePath(std::string& path);

// Called from a fault handler with the fault's description; it must not return.
using FaultCallback = void (*)(const char* text);

// Turns hardware faults (SIGSEGV, SIGFPE, SIGBUS, SIGILL) into a call of
// `callback`; the process ends with exit code -1 should the callback return.
void InstallFaultHandlers(FaultCallback callback);

// ---- errors --------------------------------------------------------------

int LastErrorCode();
void SetLastErrorCode(int code);
std::string SystemErrorText(int code);
bool IsDiskFullError(int code);
// The file or directory named does not exist (ENOENT), or cannot, a part of
// its path being no directory (ENOTDIR).
bool IsMissingFileError(int code);

// ---- child processes -----------------------------------------------------

// A pipe whose ends no child inherits (close-on-exec) and which never takes
// the standard descriptors 0 to 2. False with the error code set.
bool CreatePipe(int fds[2]);

// Starts argv[0] (looked up on PATH when it holds no '/') with the arguments
// `argv`, passed as they are, with no shell in between. The child keeps this
// process's standard input; its standard output and standard error both go to
// `outputFd`; no other descriptor of this process reaches it. It leads a
// process group of its own, so whatever it starts can be ended with it.
// Returns the child's id, or 0 with the error code set when it could not be
// started (the program missing or not executable, no process to be had).
int StartChild(const std::vector<std::string>& argv, int outputFd);

// The id of this process.
int CurrentProcessId();

// Waits at most `timeoutMs` (-1: no limit) for the child to end, leaving it
// to be reaped. 1 ended, 0 still running, -1 failure (error code set).
int WaitChildEnd(int pid, int timeoutMs);

// Kills the child's process group (the child and what it started and left
// behind) and reaps the child. False with the error code set on failure.
bool KillAndReapChild(int pid);

// The descriptors of pipes (those of files are their environment's).
// 1 when `fd` has data or its writers have all gone, 0 after `timeoutMs`
// (-1: no limit), -1 failure.
int WaitReadable(int fd, int timeoutMs);
// read(2), retried when a signal interrupts it.
long ReadSome(int fd, void* buffer, size_t size);
bool CloseDescriptor(int fd);

// Milliseconds of a clock that neither jumps with the wall clock nor stops
// while the process sleeps or waits.
int64_t MonotonicMillis();

// Sleeps `ms` milliseconds.
void SleepMillis(int ms);

// True when the descriptor is a terminal.
bool IsTerminal(int fd);

} // namespace cs::platform

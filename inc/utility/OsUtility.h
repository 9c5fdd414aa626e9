// Operating-system helpers of the runtime: the fatal report, the program's own
// path, free disk space and the last system error.
#pragma once

#include <cstdint>
#include <string>

namespace cs::utility {

// Writes `text` to standard error and to "errorreport.txt" beside the program,
// logs it at ERROR and ends the process with exit code 3.
[[noreturn]] void DumpLastError(const std::string& text);

// Writes `message` to standard error and ends the process with exit code 1:
// the end of an operating-system helper that cannot go on.
[[noreturn]] void ExitWithMessage(const std::string& message);

std::string GetAppFilePath();
std::string GetAppFileName();
std::string GetAppDir();   // keeps the final separator

// Free space, in MiB, of the file system that holds `path`.
int64_t GetDiskSpace(const std::string& path);

// Text of the calling thread's last system error; empty when there is none.
// A full disk answers with the IDR_LACK_DISKSPACE text.
std::string GetLastErrorText();

// The bytes of the file at `path`, read whole in one read: false when there
// is no such file; a file that cannot be opened or read whole raises.
bool ReadFileIfExists(const std::string& path, std::string& text);

// Creates every missing directory of `path` up to its last separator ("/" or
// "\\"), prefix by prefix from the left; a path without a final separator
// gets one first. Failures are not reported: they surface when the directory
// is used.
void CreateDirectoryPrefixes(const std::string& path);

// Finds "pathconfig.xml": in the program's directory first, then in the
// current directory. False when neither is accessible.
bool FindPathConfig(std::string& path);

// The root directory named by the path configuration `file`, with a final
// separator: a relative `root` is taken from the file's own directory, so the
// file beside the programs works from any current directory (and the one in
// the current directory, found as "pathconfig.xml", keeps reading from there).
std::string PathConfigRoot(const std::string& file, const std::string& root);

// Process-start installation: hardware faults are reported as
// "os exception: SEH exception" at ERROR and end the process with exit code -1.
void InstallProcessFaultHandlers();

} // namespace cs::utility

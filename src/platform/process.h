#pragma once
// The running program as the operating system sees it. Call from the thread
// that entered the program (the current directory is process-wide).

#include <string>

namespace platform {

// Full path of the program's own file, as the operating system reports it
// (letter case kept). Raises vExErrNo_c when it cannot be found.
std::string ProgramPath();

// Makes path the current directory. Raises vExErrNo_c on failure.
void ChangeDirectory(const std::string& path);

}  // namespace platform

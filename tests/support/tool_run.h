#pragma once
// Runs a shell command line to its end and collects what it printed, for the
// tests of the command-line tools.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace lorvano_test {

struct ToolRun {
    int exitCode = -1;
    std::string out;  // standard output and error together
};

inline ToolRun RunTool(const std::string& commandLine) {
    ToolRun r;
    std::FILE* p = popen((commandLine + " 2>&1").c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace lorvano_test

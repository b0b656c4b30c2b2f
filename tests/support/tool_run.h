#pragma once
// Runs a shell command line to its end (killed with all it started after a
// generous limit) and collects what it printed, for the tests of the
// command-line tools.

#include <string>

#include "run_program.h"

namespace lorvano_test {

struct ToolRun {
    int exitCode = -1;
    std::string out;  // standard output and error together
};

inline ToolRun RunTool(const std::string& commandLine) {
    const ProgramResult r = RunCommand(commandLine + " 2>&1");
    return {r.exitCode == -1000 ? -1 : r.exitCode, r.out};
}

}  // namespace lorvano_test

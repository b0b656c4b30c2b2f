#pragma once
// Runs a piece of a test in a forked child, for what must not touch the test
// process itself (dropped privileges, resource limits). The child's result is
// its exit code; a child that dies by a signal, or that has not ended after
// seconds (it is then killed with what it started), gives -1.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "run_program.h"

namespace lorvano_test {

inline int RunInChild(const std::function<int()>& body, double seconds = kProgramSeconds) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        setpgid(0, 0);
        _exit(body());
    }
    setpgid(pid, pid);  // whichever of the two runs first
    int status = 0;
    pid_t reaped = 0;
    if (!WaitUntil([&] { return (reaped = waitpid(pid, &status, WNOHANG)) != 0; }, seconds, 20)) {
        kill(-pid, SIGKILL);
        WaitUntil([&] { return (reaped = waitpid(pid, &status, WNOHANG)) != 0; }, 10, 20);
    }
    return reaped == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Root may write anywhere; a test of a read-only folder runs as "nobody".
inline bool DropRoot() {
    if (geteuid() != 0) return true;
    return setgid(65534) == 0 && setuid(65534) == 0;
}

}  // namespace lorvano_test

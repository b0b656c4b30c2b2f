#pragma once
// Runs a piece of a test in a forked child, for what must not touch the test
// process itself (dropped privileges, resource limits). The child's result is
// its exit code; a child that dies by a signal gives -1.

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace lorvano_test {

inline int RunInChild(const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) _exit(body());
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Root may write anywhere; a test of a read-only folder runs as "nobody".
inline bool DropRoot() {
    if (geteuid() != 0) return true;
    return setgid(65534) == 0 && setuid(65534) == 0;
}

}  // namespace lorvano_test

#pragma once
// Runs a program to its end with the given arguments, the headless video
// driver and standard error captured.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace lorvano_test {

struct ProgramResult {
    int exitCode = -1000;  // -1 .. 255 as the shell sees it; -1000 when it did not exit
    std::string err;       // what it wrote to standard error
};

inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    ProgramResult result;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // A box must never wait for a user: no display for the child.
    std::vector<std::string> env{"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
    for (char** e = environ; *e; ++e) {
        std::string s = *e;
        if (s.rfind("SDL_VIDEODRIVER=", 0) != 0 && s.rfind("SDL_AUDIODRIVER=", 0) != 0 &&
            s.rfind("DISPLAY=", 0) != 0 && s.rfind("WAYLAND_DISPLAY=", 0) != 0)
            env.push_back(s);
    }
    std::vector<char*> envp;
    for (std::string& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc == 0) {
        char buf[4096];
        ssize_t n;
        while ((n = read(pipeFds[0], buf, sizeof buf)) > 0) result.err.append(buf, static_cast<size_t>(n));
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    }
    close(pipeFds[0]);
    return result;
}

}  // namespace lorvano_test

#pragma once
// Runs a program to its end with the given arguments and standard error
// captured: headless (offscreen video, no display) or, for a program that
// opens a window, on the X display, where its window is found, can be looked
// at and is closed as a user would. Tests that include this link libX11.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "x_window.h"

extern char** environ;

namespace lorvano_test {

struct ProgramResult {
    int exitCode = -1000;  // -1 .. 255 as the shell sees it; -1000 when it did not exit
    std::string err;       // what it wrote to standard error
    std::string window;    // the X window found (RunProgramInWindow only)
};

enum class Video { Headless, Display };

inline bool HaveXDisplay() {
    const char* d = std::getenv("DISPLAY");
    return d && *d;
}

// A started program whose standard error goes to errFd.
struct Child {
    pid_t pid = -1;
    int errFd = -1;
};

inline Child StartProgram(const std::string& program, const std::vector<std::string>& args, Video video) {
    Child child;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // Headless, a box must never wait for a user: no display for the child.
    std::vector<std::string> env{video == Video::Headless ? "SDL_VIDEODRIVER=offscreen" : "SDL_VIDEODRIVER=x11",
                                 "SDL_AUDIODRIVER=dummy"};
    for (char** e = environ; *e; ++e) {
        std::string s = *e;
        const bool display = s.rfind("DISPLAY=", 0) == 0 || s.rfind("WAYLAND_DISPLAY=", 0) == 0;
        if (s.rfind("SDL_VIDEODRIVER=", 0) != 0 && s.rfind("SDL_AUDIODRIVER=", 0) != 0 &&
            !(display && video == Video::Headless))
            env.push_back(s);
    }
    std::vector<char*> envp;
    for (std::string& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    const int rc = posix_spawn(&child.pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        child.pid = -1;
        return child;
    }
    child.errFd = pipeFds[0];
    return child;
}

// Collects standard error until the program ends, then its exit code.
inline void FinishProgram(Child& child, ProgramResult& result) {
    char buf[4096];
    ssize_t n;
    while ((n = read(child.errFd, buf, sizeof buf)) > 0) result.err.append(buf, static_cast<size_t>(n));
    close(child.errFd);
    int status = 0;
    if (waitpid(child.pid, &status, 0) == child.pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
}

inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    ProgramResult result;
    Child child = StartProgram(program, args, Video::Headless);
    if (child.pid > 0) FinishProgram(child, result);
    return result;
}

// The first line a shell command prints.
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* p = popen((command + " 2>/dev/null").c_str(), "r")) {
        char line[256];
        if (fgets(line, sizeof line, p)) out = line;
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// True when the child has ended (without reaping it).
inline bool Ended(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Runs a program that opens a window on the X display (needs DISPLAY): waits
// for its window, calls look with the window's id, asks the window to close
// and waits for the end. A program that ends without a window is simply waited
// for; one whose window never shows or that does not end is killed.
inline ProgramResult RunProgramInWindow(const std::string& program, const std::vector<std::string>& args,
                                        const std::function<void(const std::string&)>& look = {}) {
    ProgramResult result;
    Child child = StartProgram(program, args, Video::Display);
    if (child.pid <= 0) return result;
    const std::string pid = std::to_string(child.pid);
    for (int attempt = 0; attempt < 400 && result.window.empty() && !Ended(child.pid); ++attempt) {
        result.window = CommandOutput("xdotool search --onlyvisible --pid " + pid);
        if (result.window.empty()) usleep(50 * 1000);
    }
    if (!result.window.empty()) {
        if (look) look(result.window);
        for (int attempt = 0; attempt < 40 && !Ended(child.pid); ++attempt) {
            if (attempt % 10 == 0) RequestWindowClose(result.window);
            usleep(100 * 1000);
        }
    }
    if (!Ended(child.pid)) kill(child.pid, SIGKILL);
    FinishProgram(child, result);
    return result;
}

}  // namespace lorvano_test

#pragma once
// Runs programs and shell commands for tests, never waiting without a limit:
// each runs in a process group of its own (so that what it forks, such as
// SDL's message box child, goes with it), its output is read with poll and a
// deadline, and when the deadline passes, or the program has ended, the whole
// group is killed. A program that opens a window runs on the X display, where
// its window is found, can be looked at and is closed as a user would. Tests
// that include this link libX11.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "x_window.h"

extern char** environ;

namespace lorvano_test {

// Limits generous enough for a loaded two-core machine.
constexpr double kProgramSeconds = 120;  // a program run to its end
constexpr double kCommandSeconds = 60;   // a shell command (xdotool, ImageMagick, espeak-ng)
constexpr double kWindowSeconds = 60;    // a window or box to show, or a program to close

// Polls until done() holds, for seconds at most; true when it did.
inline bool WaitUntil(const std::function<bool()>& done, double seconds, int pollMs = 100) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
}

struct ProgramResult {
    int exitCode = -1000;  // -1 .. 255 as the shell sees it; -1000 when it did not exit
    std::string err;       // what it wrote to standard error
    std::string out;       // what it wrote to standard output
    std::string window;    // the X window found (RunProgramInWindow only)
};

enum class Video { Headless, Display };

inline bool HaveXDisplay() {
    const char* d = std::getenv("DISPLAY");
    return d && *d;
}

// A started program, leader of its own process group, whose standard output
// and error go to outFd and errFd.
struct Child {
    pid_t pid = -1;
    int outFd = -1;
    int errFd = -1;
};

// The child dies with the thread that started it (PR_SET_PDEATHSIG), so
// that a test killed at CTest's limit leaves no program behind.
inline Child Spawn(const std::vector<std::string>& args, char* const* envp) {
    Child child;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return child;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return child;
    }
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    child.pid = fork();
    if (child.pid == 0) {
        // Only async-signal-safe calls until exec: the test may have threads.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        dup2(devNull, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        execve(argv[0], argv.data(), envp);
        _exit(127);
    }
    if (child.pid > 0) setpgid(child.pid, child.pid);  // whichever of the two runs first
    close(devNull);
    close(out[1]);
    close(err[1]);
    if (child.pid < 0) {
        close(out[0]);
        close(err[0]);
        return child;
    }
    child.outFd = out[0];
    child.errFd = err[0];
    return child;
}

inline Child StartProgram(const std::string& program, const std::vector<std::string>& args, Video video) {
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
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    return Spawn(argv, envp.data());
}

// True when the child has ended (without reaping it, so that its process
// group stays its own until FinishProgram).
inline bool Ended(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Kills the program and everything it started.
inline void KillGroup(const Child& child) {
    if (child.pid > 0) kill(-child.pid, SIGKILL);
}

// Collects the program's output until it ends, for seconds at most, then its
// exit code. Whatever of its group outlives it (a box's child holding the
// pipe) is killed, as is the whole group at the deadline; output still in
// the pipes is read for a moment more, never waited for beyond that.
inline void FinishProgram(Child& child, ProgramResult& result, double seconds = kProgramSeconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    auto drainUntil = Clock::time_point::max();
    std::string* sinks[2] = {&result.out, &result.err};
    int fds[2] = {child.outFd, child.errFd};
    while ((fds[0] >= 0 || fds[1] >= 0) && Clock::now() < drainUntil) {
        if (drainUntil == Clock::time_point::max() && (Ended(child.pid) || Clock::now() > deadline)) {
            KillGroup(child);
            drainUntil = Clock::now() + std::chrono::seconds(2);
        }
        pollfd p[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
        if (poll(p, 2, 100) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i] < 0 || !(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            const ssize_t n = read(fds[i], buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<size_t>(n));
            } else {
                close(fds[i]);
                fds[i] = -1;
            }
        }
    }
    for (int fd : fds)
        if (fd >= 0) close(fd);
    child.outFd = child.errFd = -1;
    KillGroup(child);
    int status = 0;
    pid_t reaped = 0;
    WaitUntil([&] { return (reaped = waitpid(child.pid, &status, WNOHANG)) != 0; }, 10, 20);
    if (reaped == child.pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
}

inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    ProgramResult result;
    Child child = StartProgram(program, args, Video::Headless);
    if (child.pid > 0) FinishProgram(child, result);
    return result;
}

// Runs a shell command line to its end, for seconds at most (then it is
// killed with all it started): its exit code and output.
inline ProgramResult RunCommand(const std::string& commandLine, double seconds = kCommandSeconds) {
    ProgramResult result;
    Child child = Spawn({"/bin/sh", "-c", commandLine}, environ);
    if (child.pid > 0) FinishProgram(child, result, seconds);
    return result;
}

// text as one word of a shell command line, whatever it holds.
inline std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The first line a shell command prints.
inline std::string CommandOutput(const std::string& command) {
    std::string out = RunCommand(command + " 2>/dev/null").out;
    out = out.substr(0, out.find('\n'));
    while (!out.empty() && out.back() == '\r') out.pop_back();
    return out;
}

// Asks the window to close, again now and then, until the program ends;
// false when it did not end in time.
inline bool CloseWindow(const Child& child, const std::string& window, double seconds = kWindowSeconds) {
    return WaitUntil(
        [&, n = 0]() mutable {
            if (n++ % 20 == 0) RequestWindowClose(window);
            return Ended(child.pid);
        },
        seconds);
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
    WaitUntil(
        [&] {
            result.window = CommandOutput("xdotool search --onlyvisible --pid " + pid);
            return !result.window.empty() || Ended(child.pid);
        },
        kWindowSeconds);
    if (!result.window.empty()) {
        if (look) look(result.window);
        CloseWindow(child, result.window);
    }
    FinishProgram(child, result, 0);
    return result;
}

}  // namespace lorvano_test

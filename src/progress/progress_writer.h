#pragma once
// vProgressWriter_c: writes progress records on a thread of its own, so that
// recording a try costs its caller only a queue push. The thread opens the
// database (vProgressStore_c) as it starts and writes each batch of
// queued jobs in one transaction. When the database cannot be used, or a
// write fails, the writer records nothing more for the rest of its life and
// keeps one sentence for the user (Problem). Destruction writes what is
// queued, then ends the thread.
//
// The calls may come from any one thread at a time; a session's jobs are
// written in the order they were queued.

#include "progress/progress_store.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <variant>

namespace progress {

class vProgressWriter_c {
public:
    explicit vProgressWriter_c(std::string databasePath);
    ~vProgressWriter_c();
    vProgressWriter_c(const vProgressWriter_c&) = delete;
    vProgressWriter_c& operator=(const vProgressWriter_c&) = delete;

    // Opens a session; the tries that follow belong to it.
    void BeginSession(std::string pupil, std::string teacher, std::string start);
    void AddTry(vTry_c t);
    // Names the kept recording of the session's last try.
    void KeepRecording(std::string recording);
    // The teacher's own mark of the session's last try (see vTry_c).
    void TeacherMark(int mark);
    void EndSession(std::string end);

    // Waits until the database was opened (or found unusable) and every job
    // queued before has been written (or dropped).
    void Flush();

    // Why nothing is recorded, once: the sentence the first time it is asked
    // for after a failure, empty before and after.
    std::string TakeProblem();

private:
    struct Begin {
        std::string pupil, teacher, start;
    };
    struct Keep {
        std::string recording;
    };
    struct Mark {
        int mark;
    };
    struct End {
        std::string end;
    };
    using Job = std::variant<Begin, vTry_c, Keep, Mark, End>;

    void Push(Job job);
    void Run();
    void Write(vProgressStore_c& store, std::deque<Job>& jobs);
    static std::string Failed(const std::string& problem);

    const std::string mPath;
    std::mutex mMutex;
    std::condition_variable mWake;  // jobs queued or stopping
    std::condition_variable mDone;  // a batch finished
    std::deque<Job> mQueue;
    uint64_t mQueued = 0;    // jobs ever queued
    uint64_t mFinished = 0;  // jobs ever written or dropped
    bool mStop = false;
    bool mOpened = false;  // the database was opened or found unusable
    bool mFailed = false;
    std::string mProblem;
    bool mProblemTaken = false;
    // Writer thread only.
    int64_t mSession = 0;
    int64_t mLastTry = 0;
    std::thread mThread;  // last: starts when everything else is ready
};

}  // namespace progress

#include "progress/progress_writer.h"

#include <memory>

namespace progress {

vProgressWriter_c::vProgressWriter_c(std::string databasePath)
    : mPath(std::move(databasePath)), mThread([this] { Run(); }) {}

vProgressWriter_c::~vProgressWriter_c() {
    {
        std::lock_guard lock(mMutex);
        mStop = true;
    }
    mWake.notify_one();
    mThread.join();
}

void vProgressWriter_c::Push(Job job) {
    {
        std::lock_guard lock(mMutex);
        if (mFailed) return;
        mQueue.push_back(std::move(job));
        ++mQueued;
    }
    mWake.notify_one();
}

void vProgressWriter_c::BeginSession(std::string pupil, std::string teacher, std::string start) {
    Push(Begin{std::move(pupil), std::move(teacher), std::move(start)});
}

void vProgressWriter_c::AddTry(vTry_c t) { Push(std::move(t)); }

void vProgressWriter_c::KeepRecording(std::string recording) { Push(Keep{std::move(recording)}); }

void vProgressWriter_c::TeacherMark(int mark) { Push(Mark{mark}); }

void vProgressWriter_c::EndSession(std::string end) { Push(End{std::move(end)}); }

void vProgressWriter_c::Flush() {
    std::unique_lock lock(mMutex);
    const uint64_t target = mQueued;
    mDone.wait(lock, [&] { return mOpened && mFinished >= target; });
}

std::string vProgressWriter_c::TakeProblem() {
    std::lock_guard lock(mMutex);
    if (mProblem.empty() || mProblemTaken) return {};
    mProblemTaken = true;
    return mProblem;
}

// The problem text kept for the user.
std::string vProgressWriter_c::Failed(const std::string& problem) {
    return problem + " Tries are not recorded until the program is started again; the file is left as it is.";
}

void vProgressWriter_c::Run() {
    std::unique_ptr<vProgressStore_c> store;
    std::string problem;
    try {
        store = std::make_unique<vProgressStore_c>(mPath, vProgressStore_c::Open::CreateOrWrite);
    } catch (const vTextException_c& e) {
        problem = e.Text();
    }
    std::unique_lock lock(mMutex);
    mOpened = true;
    for (;;) {
        if (!problem.empty()) {
            // Recording stays off for this writer: what is queued is dropped
            // and nothing more is queued.
            mFailed = true;
            mProblem = Failed(problem);
            problem.clear();
            mFinished += mQueue.size();
            mQueue.clear();
        }
        mDone.notify_all();
        mWake.wait(lock, [&] { return mStop || !mQueue.empty(); });
        if (mQueue.empty()) return;  // stopping, all written
        std::deque<Job> batch;
        batch.swap(mQueue);
        lock.unlock();
        try {
            Write(*store, batch);
        } catch (const vTextException_c& e) {
            problem = e.Text();
        } catch (const std::exception& e) {
            problem = "The progress records " + mPath + " cannot be written (" + e.what() + ").";
        }
        if (!problem.empty()) store.reset();
        lock.lock();
        mFinished += batch.size();
    }
}

void vProgressWriter_c::Write(vProgressStore_c& store, std::deque<Job>& jobs) {
    const int64_t session = mSession, lastTry = mLastTry;
    store.Begin();
    try {
        for (Job& job : jobs) {
            if (auto* b = std::get_if<Begin>(&job)) {
                mSession = store.BeginSession(b->pupil, b->teacher, b->start);
                mLastTry = 0;
            } else if (auto* t = std::get_if<vTry_c>(&job)) {
                if (mSession) mLastTry = store.AddTry(mSession, *t);
            } else if (auto* k = std::get_if<Keep>(&job)) {
                if (mLastTry) store.SetRecording(mLastTry, k->recording);
            } else if (auto* m = std::get_if<Mark>(&job)) {
                if (mLastTry) store.SetTeacherMark(mLastTry, m->mark);
            } else if (auto* e = std::get_if<End>(&job)) {
                if (mSession) store.EndSession(mSession, e->end);
                mSession = mLastTry = 0;
            }
        }
        store.Commit();
    } catch (...) {
        store.Rollback();
        mSession = session;
        mLastTry = lastTry;
        throw;
    }
}

}  // namespace progress

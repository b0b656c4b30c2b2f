#pragma once
// One running copy per key: an advisory lock (flock) on a file named after
// the key in $XDG_RUNTIME_DIR, else in the per-user data folder. The lock
// goes with the process, so a copy that crashed frees it. Owns the file's
// descriptor (not inherited by started programs). Any thread.

#include <string>

namespace platform {

class InstanceLock {
public:
    enum class State {
        Held,         // this object holds the lock
        Taken,        // another copy holds it
        Unavailable,  // no lock file could be made (the reason is in Error())
    };

    // Tries once, without waiting.
    explicit InstanceLock(const std::string& key);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State GetState() const { return mState; }
    const std::string& Path() const { return mPath; }
    const std::string& Error() const { return mError; }

private:
    int mFd = -1;
    State mState = State::Unavailable;
    std::string mPath;
    std::string mError;
};

}  // namespace platform

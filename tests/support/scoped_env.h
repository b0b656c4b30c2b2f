#pragma once
// Sets an environment variable for one scope and puts the old value back.

#include <cstdlib>
#include <optional>
#include <string>

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : mName(name) {
        if (const char* old = std::getenv(name)) mOld = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (mOld)
            ::setenv(mName, mOld->c_str(), 1);
        else
            ::unsetenv(mName);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* mName;
    std::optional<std::string> mOld;
};

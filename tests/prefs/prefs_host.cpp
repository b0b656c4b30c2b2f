// A stand-in for the program: loads libPrefs.so by path and calls DoPrefs.
// Usage: prefs_host <library> <ini file> <start page> <working folder>
// Exit code: what DoPrefs returned; 3 when the library could not be used.

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/companion_abi.h"

int main(int argc, char** argv) {
    if (argc != 5 || chdir(argv[4]) != 0) return 3;
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 3;
    }
    auto doPrefs = reinterpret_cast<DoPrefsFn>(dlsym(library, "DoPrefs"));
    if (!doPrefs) return 3;
    return doPrefs(argv[2], 0, std::atoi(argv[3]));
}

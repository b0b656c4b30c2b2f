// Stand-ins for the companion libraries, built as small shared libraries for
// the handler tests: FAKE_PREFS gives libPrefs.so's DoPrefs, FAKE_ROSTER the
// user-management entry points (all seven, or all but Logout with
// FAKE_WITHOUT_LOGOUT). Every load and unload is appended to the file named by
// FAKE_COMPANION_LOG, so a test sees when the library really came and went.
// Fake* functions let a test steer and inspect the library.

#include "platform/companion_abi.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void Log(const char* event) {
    if (const char* path = std::getenv("FAKE_COMPANION_LOG")) {
        if (std::FILE* f = std::fopen(path, "a")) {
            std::fputs(event, f);
            std::fclose(f);
        }
    }
}

__attribute__((constructor)) void OnLoad() { Log("load\n"); }
__attribute__((destructor)) void OnUnload() { Log("unload\n"); }

}  // namespace

#ifdef FAKE_PREFS
FAKE_EXPORT int DoPrefs(const char* iniPath, LorvanoParentWindow parent, int startPage) {
    return std::strcmp(iniPath, "trainer.ini") == 0 && parent == 42 ? startPage * 10 : -1;
}
#endif

#ifdef FAKE_ROSTER
namespace {
std::string gNextName;
int gResult = 1;
int gCreateCalls = 0;
std::string gInitialized;
std::string gStartName;
}  // namespace

FAKE_EXPORT void FakeAnswer(const char* name, int result) {
    gNextName = name;
    gResult = result;
}
FAKE_EXPORT int FakeCreateCalls() { return gCreateCalls; }
FAKE_EXPORT const char* FakeInitialized() { return gInitialized.c_str(); }
FAKE_EXPORT const char* FakeStartName() { return gStartName.c_str(); }

FAKE_EXPORT void Initialize(const char* usersFile, const char* programDir) {
    gInitialized = std::string(usersFile) + "|" + programDir;
}
FAKE_EXPORT void Login(LorvanoParentWindow) {}
#ifndef FAKE_WITHOUT_LOGOUT
FAKE_EXPORT void Logout(void) {}
#endif
FAKE_EXPORT int IsTeacherLoggedIn(void) { return 7; }

// Fills the whole buffer without a terminator when the name is longer: the
// program must not read past it.
void Fill(char* buffer, int size) {
    std::memset(buffer, 'x', static_cast<size_t>(size));
    std::memcpy(buffer, gNextName.c_str(), std::min(gNextName.size() + 1, static_cast<size_t>(size)));
}

FAKE_EXPORT int SelectStudentFileName(char* fileName, int size, const char* startName) {
    gStartName = startName ? startName : "(null)";
    Fill(fileName, size);
    return gResult;
}
FAKE_EXPORT int SelectStudentExercise(char* exercise, int exerciseSize, char* recording, int recordingSize,
                                      int reserved) {
    std::snprintf(exercise, static_cast<size_t>(exerciseSize), "exercise-%d.exc", reserved);
    Fill(recording, recordingSize);
    return gResult;
}
FAKE_EXPORT int CreateStudentFileName(char* fileName, int size, int exerciseType, const char* cardText,
                                      const char* exerciseFile, int, int) {
    ++gCreateCalls;
    // The exercise's details reach the library unchanged.
    if (exerciseType != 3 || std::strcmp(cardText, "Ball") != 0 || std::strcmp(exerciseFile, "ball.exc") != 0)
        return 0;
    Fill(fileName, size);
    return gResult;
}
#endif

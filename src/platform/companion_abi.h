#pragma once
// The exported C entry points of the companion libraries (libPrefs.so,
// libGuide.so, libRoster.so) and the window handle they receive. The program
// and the libraries include this one header, so both sides agree on every
// signature. Texts are UTF-8; output buffers are filled NUL-terminated.

#include <stdint.h>

extern "C" {

// The main window as the libraries see it: the X11 window id of the
// program's window, or 0 when there is none (no display, another video
// system). Dialogs use it to stay modal above that window.
typedef uintptr_t LorvanoParentWindow;

// libPrefs.so: edits the INI file; nonzero when settings were changed.
typedef int (*DoPrefsFn)(const char* iniPath, LorvanoParentWindow parent, int startPage);

// libGuide.so: shows the page (a full path) and returns at once.
typedef void (*DoGuideFn)(const char* pagePath, LorvanoParentWindow parent);

// libRoster.so: user management.
typedef void (*InitializeFn)(const char* usersFile, const char* programDir);
typedef void (*LoginFn)(LorvanoParentWindow parent);
typedef void (*LogoutFn)(void);
typedef int (*IsTeacherLoggedInFn)(void);
// 1 or more: a file was chosen into fileName. startName may be null; when
// given, the chooser starts from that name.
typedef int (*SelectStudentFileNameFn)(char* fileName, int size, const char* startName);
// 1 or more: an exercise and one of its recordings were chosen.
typedef int (*SelectStudentExerciseFn)(char* exercise, int exerciseSize, char* recording,
                                       int recordingSize, int reserved);
// Greater than 0: fileName holds a new file name for a recording of the
// current pupil, made while the given exercise was shown.
typedef int (*CreateStudentFileNameFn)(char* fileName, int size, int exerciseType,
                                       const char* cardText, const char* exerciseFile,
                                       int reserved1, int reserved2);

// libRoster.so, later additions: a library without them still loads, and
// the program then records no progress, offers no choice of pupil and shows
// no progress chart.

// One mark an exercise showed. size is sizeof(LorvanoTry) as the program
// knows it, so that fields can be added at the end.
typedef struct LorvanoTry {
    int size;
    int kind;                  // the exercise's kind
    const char* exerciseFile;  // full path
    const char* cardText;
    int mark;                  // the mark shown, 1..5; 0 none
    const char* sound;         // the trained sound, "" when none
    int soundMark;             // its mark, 1..5; 0 none
    double score;              // the distance or score behind the mark
    int held;                  // nonzero: one of the many marks of a held sound
} LorvanoTry;
// Records the try for the current pupil (nothing without one).
typedef void (*RecordTryFn)(const LorvanoTry* t);
// Lets a logged-in teacher choose the current pupil; 1 when one was chosen.
typedef int (*ChoosePupilFn)(LorvanoParentWindow parent);
// Shows a logged-in teacher the current pupil's progress chart and returns
// when it is closed (anyone else is told why there is none).
typedef void (*ShowProgressFn)(LorvanoParentWindow parent);
// Lets a logged-in teacher give her own mark to the current pupil's last
// recorded try: 1..5, or 0 "not a try"; -1 when none was given (declined, or
// no teacher, pupil or try). The mark the program showed stays as it was.
typedef int (*TeacherMarkFn)(LorvanoParentWindow parent);
// Copies the current pupil's name into name: 1 when a pupil is chosen, 0
// (name empty where there is room) when none is.
typedef int (*CurrentPupilFn)(char* name, int size);
}

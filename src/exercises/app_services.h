#pragma once
// vTrAppServices_i: what an exercise needs from the application that shows it
// (the card menus' directory stack, drawing suspension, loading another
// exercise, the teacher's user management, the microphone). The shell implements it and
// registers its one application object with SetAppServices; exercises reach
// it only through AppServices(), which is null while there is none (tests
// register a stand-in). User-interface thread only.

#include <string>

class vTrCapture_c;
class vTrExercise_c;

// A mark an exercise has just shown (see vTrExercise_c::ReportMark).
struct vTrShownMark_c {
    int mark = 0;  // 1..5, 0 none
    std::string sound;
    int soundMark = 0;
    double score = 0;
    bool held = false;
};

class vTrAppServices_i {
public:
    virtual ~vTrAppServices_i() = default;

    // Folder of the card menu the exercise was opened from (the top of the
    // directory stack), empty when the stack is empty.
    virtual std::string CurrentMenuDir() const = 0;

    // Suspends and resumes the application's drawing while a card changes.
    virtual void SuspendDrawing() = 0;
    virtual void ResumeDrawing() = 0;

    // Loads an exercise file as a card click does; the exercise now shown, or
    // null.
    virtual vTrExercise_c* LoadExerciseFile(const std::string& name) = 0;

    // The program-wide user-management functions. Each returns 0 when no
    // user-management library is loaded.
    // Copies "Say.wav" of the current directory into the current pupil's files.
    virtual int SaveSayForStudent(int exerciseType, const std::string& cardText,
                                  const std::string& exerciseFile) = 0;
    virtual int TeacherLoggedIn() = 0;
    // Lets the teacher choose a pupil's recording; startName may be empty.
    virtual int SelectStudentFile(std::string& fileName, const std::string& startName) = 0;
    // Lets the teacher choose a pupil's exercise and one of its recordings.
    virtual int SelectStudentExerciseFile(std::string& exercise, std::string& recording) = 0;
    // Records the mark for the current pupil, when there is one; costs the
    // caller no waiting (nothing here: an application without records).
    virtual void RecordMark(vTrExercise_c& exercise, const vTrShownMark_c& mark) {
        (void)exercise;
        (void)mark;
    }
    // Lets a logged-in teacher give her own mark to the current pupil's last
    // recorded try (a modal dialog; the exercise is suspended meanwhile):
    // 1..5, 0 "not a try", -1 when none was given (nothing here).
    virtual int AskTeacherMark() { return -1; }
    // The application's microphone, which every exercise listens through.
    virtual vTrCapture_c& Capture();
};

vTrAppServices_i* AppServices();
// Registers the application object (null when it goes away).
void SetAppServices(vTrAppServices_i* app);
// The microphone of a program without an application object of its own
// (the tools, tests, a stand-in application).
vTrCapture_c& SharedCapture();
// The registered application's microphone, else the shared one.
vTrCapture_c& ExerciseCapture();

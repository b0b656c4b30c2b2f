#pragma once
// vTrAcousticMarks_c: the word exercise's second opinion, the acoustic judge
// (analysis/scoring/acoustic_judge.h), run on a worker thread of its own so
// that the user-interface thread never waits for it. The program has one:
// its worker loads the acoustic model once (on the worker, when the first
// exercise asks for it, never on the way to the first cards) and judges the
// says one at a time, in the order they came. Each result is posted to the
// window that asked, as user message kTrAcousticDoneMessage (p1 = the job's
// number), and taken with Take on the user-interface thread.
//
// Without the acoustic judge in the build, or when the model cannot be
// loaded, every result is an error text and no score.
//
// Any thread may call it; the worker lives to the program's end.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/message.h"

inline constexpr platform::MessageId kTrAcousticDoneMessage = platform::msg::kUser + 15;  // 1039

// One say to judge.
struct vTrAcousticJob_c {
    std::vector<int16_t> samples;
    int32_t rate = 22050;
    // The word looked up in the model's pronouncing dictionary when phones
    // (ARPAbet) is empty.
    std::string word;
    std::vector<std::string> phones;
    std::string target;       // the trained sound's code (empty: none)
    std::string modelFolder;  // empty: the system's
};

// What the acoustic judge found.
struct vTrAcousticResult_c {
    std::string error;  // empty: scored
    // Thousandths of a nat per frame below the model's own best reading of
    // the say (the score the judge shows: with the trained sound, the mean
    // of its phones' and the word's): 0 is as good as it gets, larger is worse.
    int32_t distance = 0;
    bool target = false;  // the word has the trained sound
    int32_t targetDistance = 0;  // the same for the trained sound's phones alone
    std::string phones;   // the phone string judged, for the log
    bool Scored() const { return error.empty(); }
};

class vTrAcousticMarks_c {
public:
    static vTrAcousticMarks_c& Instance();
    // Whether this build has the acoustic judge at all.
    static bool Built();
    // Whether the pronouncing dictionary of the model in folder (empty: the
    // system's) lacks name, so that a word exercise of that name without a
    // phone string of its own has no acoustic mark. False without the
    // acoustic judge or when the dictionary cannot be read (the exercise
    // then says why). Reads the dictionary on the calling thread.
    static bool DictionaryLacks(const std::string& name, const std::string& folder);

    // Starts the worker, which loads the model of folder (empty: the
    // system's) ahead of the first say.
    void Preload(const std::string& folder);
    // Queues job; the result is posted to window. Returns the job's number (> 0).
    std::uint64_t Submit(vTrAcousticJob_c job, platform::WindowHandle window);
    // The result of job id, once; false while it is not ready (or was taken).
    bool Take(std::uint64_t id, vTrAcousticResult_c& out);

private:
    vTrAcousticMarks_c() = default;
    struct State;
    State& Shared();
};

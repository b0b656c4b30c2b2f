// save_driver: runs one of the program's saves once, through the functions
// the program itself calls, so that scripts/kill_loop.sh can kill it at each
// system call and look at what is left.
//
//   save_driver say SOURCE.wav SAY.wav         a word exercise's say.wav (vRecording_c::SaveWave)
//   save_driver keep SAY.wav PUPILS PUPIL      a teacher's Keep: the pupil's ".info" (vPupilStore_c),
//                                              then the say copied beside it
//   save_driver ini TRAINER.ini on|off          the settings sheet's OK (prefs::SaveSheet), full screen on or off

#include "analysis/recording.h"
#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "prefs/pages.h"
#include "roster/pupils.h"
#include "settings/settings.h"

#include <cstdio>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: save_driver say SOURCE.wav SAY.wav | keep SAY.wav PUPILS PUPIL | ini TRAINER.ini on|off\n");
    return 2;
}

int Run(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "say" && argc == 4) {
        vRecording_c say;
        say.LoadWave(argv[2]);
        say.SaveWave(argv[3], false);
    } else if (command == "keep" && argc == 5) {
        roster::vPupilStore_c pupils(argv[3]);
        const std::string target = pupils.NewRecording(pupils.Add(argv[4]), 3, "cat", "Words/cat.exc");
        std::string data;
        if (!platform::ReadWholeFile(argv[2], data) || !platform::WriteFileAtomically(target, data))
            throw vExErrNo_c(target);
    } else if (command == "ini" && argc == 4) {
        prefs::SheetValues values;
        values.shown[0] = true;
        values.screen.fullScreen = std::string(argv[3]) == "on";
        prefs::SaveSheet(values, argv[2]);
    } else {
        return Usage();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const vException_c& e) {
        std::fprintf(stderr, "%s\n", e.ShortText().c_str());
        return 1;
    }
}

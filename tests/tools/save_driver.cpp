// save_driver: runs one of the program's saves once, through the functions
// the program itself calls, so that scripts/kill_loop.sh can kill it at each
// system call and look at what is left.
//
//   save_driver say SOURCE.wav SAY.wav         a word exercise's say.wav (vRecording_c::SaveWave)
//   save_driver keep SAY.wav PUPILS PUPIL      a teacher's Keep: the pupil's ".info" (vPupilStore_c),
//                                              then the say copied beside it
//   save_driver ini TRAINER.ini on|off          the settings sheet's OK (prefs::SaveSheet), full screen on or off
//   save_driver exercise TRAINER.ini TAKE.wav NAME.exc
//                                              a teacher's new exercise from the recorder (take, etalon, exercise;
//                                              vEdRecordExercise_c::SaveExerciseAs), settings from TRAINER.ini
//   save_driver corridor TRAINER.ini FILE.exc   the spectrum exercise's F2: level 1's corridor written back into
//                                              its definition (vTrRtHmExercise_c::SaveCorridor)

#include "analysis/recording.h"
#include "exercises/editor_record.h"
#include "exercises/rt_hm_exercise.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
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
                 "usage: save_driver say SOURCE.wav SAY.wav | keep SAY.wav PUPILS PUPIL | ini TRAINER.ini on|off\n"
                 "       | exercise TRAINER.ini TAKE.wav NAME.exc | corridor TRAINER.ini FILE.exc\n");
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
        // As the sheet does: what the file holds, then the one change the user made.
        gSettings.SetFileName(argv[2]);
        prefs::SheetValues values;
        values.Read(gSettings);
        values.screen.fullScreen = std::string(argv[3]) == "on";
        prefs::SaveSheet(values, argv[2]);
    } else if (command == "exercise" && argc == 5) {
        gSettings.SetFileName(argv[2]);
        vEdRecordExercise_c editor;
        editor.LoadTake(argv[3], 0);
        editor.SaveExerciseAs(argv[4]);
    } else if (command == "corridor" && argc == 4) {
        gSettings.SetFileName(argv[2]);
        vLoader_c loader;
        LoadDefinitionFile(argv[3], loader);
        auto* exercise = dynamic_cast<vTrRtHmExercise_c*>(loader.Object());
        if (!exercise) throw vTextException_c(std::string(argv[3]) + " is no spectrum exercise.");
        exercise->SetFileName(argv[3]);
        exercise->SetLevel(0);
        if (!exercise->SaveCorridor()) throw vExErrNo_c(argv[3]);
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

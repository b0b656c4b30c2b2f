// The limits and models readers on arbitrary text: the first byte chooses
// which, the rest is the file. Problems must end in a message, never a crash.
#include <cstdint>
#include <cstdio>
#include <string>

#include "analysis/sound_limits.h"
#include "analysis/sound_marks.h"
#include "platform/exception.h"
#include "platform/message_box.h"
#include "scratch_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const vScratchFolder_c dir("lorvano-fuzz-sound-files", {});
    static const std::string path = dir.Path() + "/sounds.ini";
    static const bool quiet = [] {
        platform::SetMessageBoxHook([](const platform::MessageBoxRecord&) { return platform::BoxAnswer::Ok; });
        return true;
    }();
    (void)quiet;
    if (size == 0) return 0;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data + 1, 1, size - 1, f);
        std::fclose(f);
    }
    try {
        if (data[0] & 1) {
            vSoundLimits limits("a", path);
            std::string code = "S";
            limits.SelectSound(code);
            vSoundFrames_c frames;
            frames.Allocate(12, limits.TrackingWord() % 1000);
            frames.SetCode(0, "a");
            frames.SetCode(5, "'tS");
            frames.ComputeSoundMarks(limits);
        } else {
            vSoundFrames_c frames;
            frames.Allocate(10, 200);
            frames.SetCode(0, "a:");
            frames.SetCode(3, "S");
            frames.SetCode(7, "a");
            frames.LoadModels(path);
        }
    } catch (const vException_c&) {
    }
    return 0;
}

// What recording a try costs the exercise that shows the mark: the
// recorder's call on the user-interface thread, with the writer thread
// storing the tries in a real database meanwhile.

#include "progress/progress_recorder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string FreshDatabase() {
    std::string dir = (std::filesystem::temp_directory_path() / "lorvano-bench-XXXXXX").string();
    if (!::mkdtemp(dir.data())) std::abort();
    return dir + "/progress.sqlite";
}

progress::vTry_c WordTry() {
    progress::vTry_c t;
    t.exerciseFile = "/usr/share/lorvano/english/Words/S/sun.exc";
    t.cardText = "sun";
    t.kind = 1;
    t.mark = 4;
    t.sound = "s";
    t.soundMark = 4;
    t.score = 1234.5;
    return t;
}

// One word try, as the word exercise reports it.
void BM_RecordWordTry(benchmark::State& state) {
    const std::string path = FreshDatabase();
    {
        progress::vProgressRecorder_c recorder(path);
        const progress::vTry_c t = WordTry();
        recorder.Shown("Anna", "Zoë", t, false);
        recorder.Flush();  // the database is open before timing starts
        for (auto _ : state) recorder.Shown("Anna", "Zoë", t, false);
        recorder.Flush();  // after timing: every try was written
    }
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_RecordWordTry);

// One mark of a held sound (merged into the stretch's try).
void BM_RecordHeldMark(benchmark::State& state) {
    const std::string path = FreshDatabase();
    {
        progress::vProgressRecorder_c recorder(path);
        progress::vTry_c t = WordTry();
        t.kind = 2;
        for (auto _ : state) recorder.Shown("Anna", "Zoë", t, true);
    }
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_RecordHeldMark);

}  // namespace

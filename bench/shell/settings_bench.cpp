// Cost of the settings store's no-cache design: every query reads and parses
// the whole INI file. Measured on a file of the size a language's settings
// grow to (some 40 sections, 400 keys with comments).
#include "settings/settings.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class IniFile {
public:
    IniFile() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lorvano-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        mDir = pattern;
        std::ofstream out(Path());
        for (int s = 0; s < 40; ++s) {
            out << "[Section" << s << "]\n";
            for (int k = 0; k < 10; ++k) out << "; what key " << k << " is for\nKey" << k << "=" << s * 100 + k << "\n";
            out << "\n";
        }
    }
    ~IniFile() { std::filesystem::remove_all(mDir); }
    std::string Path() const { return (mDir / "trainer.ini").string(); }

private:
    std::filesystem::path mDir;
};

void BM_GetUnsignedLastKey(benchmark::State& state) {
    IniFile ini;
    vSettings_c store(ini.Path().c_str());
    for (auto _ : state) benchmark::DoNotOptimize(store.GetUnsigned("Section39/Key9", 0));
}
BENCHMARK(BM_GetUnsignedLastKey);

void BM_GetUnsignedMissingKey(benchmark::State& state) {
    IniFile ini;
    vSettings_c store(ini.Path().c_str());
    for (auto _ : state) benchmark::DoNotOptimize(store.GetUnsigned("NoSuch/Key", 7));
}
BENCHMARK(BM_GetUnsignedMissingKey);

void BM_PutInt(benchmark::State& state) {
    IniFile ini;
    vSettings_c store(ini.Path().c_str());
    int i = 0;
    for (auto _ : state) store.PutInt("Section20/Key5", ++i);
}
BENCHMARK(BM_PutInt);

}  // namespace

// Feeds arbitrary bytes to the readers of the filter bank's installation
// files: as a coefficient file, a calibration file and a window file. Each
// must either accept the input or throw one of the system's exceptions.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "analysis/filter_files.h"
#include "analysis/hm_filter_bank.h"
#include "platform/exception.h"

namespace {

class vFuzzBank_c : public vHMFilterArray_c {
public:
    int32_t NextSample() override { return 0; }
};

const std::string& ScratchFile() {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("lorvano-fuzz-filters-" + std::to_string(::getpid()))).string();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = ScratchFile();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    vFuzzBank_c bank;
    try {
        bank.LoadCoefficients(path.c_str());
    } catch (const vException_c&) {
    }
    // A failed read leaves a bank that can still run.
    if (bank.groups[vHMFilterArray_c::kFilt20k].filters.size() != 6) std::abort();
    bank.FilterStep();
    try {
        bank.LoadCalibration(path.c_str());
    } catch (const vException_c&) {
    }
    int32_t window[kWindowSize];
    try {
        ReadWindowFile(path, window);
    } catch (const vException_c&) {
    }
    std::filesystem::remove(path);
    return 0;
}

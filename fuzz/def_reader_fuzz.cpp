// The definition-file reader on arbitrary text, loaded into a vLoader_c with
// the test classes registered. Whatever loads (also a tree left partly filled
// by an error) is written back; that text must load without error and write
// back to itself after one more round.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "objects/def_writer.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "objects/token_stream.h"
#include "platform/exception.h"
#include "scratch_folder.h"

namespace {

// Includes name one small file in a private folder (or nothing), so that
// input can neither read the machine's files nor block on a device.
void InstallIncludeHook() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    static const vScratchFolder_c dir("lorvano-fuzz", {{"common.def", "GuidePage = \"common\";\nCardPos = (1, 2);\n"}});
    SetDataPathHook([](const std::string& name) {
        return dir.Path() + (name == "common.def" ? "/common.def" : "/missing.def");
    });
}

std::string LoadAndWrite(const std::string& name, const std::string& text, bool mustLoad) {
    vLoader_c loader;
    try {
        LoadDefinitionText(name, text, loader);
    } catch (const vException_c&) {
        if (mustLoad) std::abort();
    }
    return WriteDefinition(loader);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InstallIncludeHook();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string first = LoadAndWrite("fuzz.def", text, false);
    const std::string second = LoadAndWrite("first.def", first, true);
    // Reading is deterministic: when the first text already wrote back to
    // itself, the next round would too. Most inputs end here, which saves a
    // third of the work per input.
    if (second == first) return 0;
    const std::string third = LoadAndWrite("second.def", second, true);
    if (second != third) std::abort();
    return 0;
}

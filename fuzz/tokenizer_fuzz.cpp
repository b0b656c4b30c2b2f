// Feeds arbitrary bytes to the definition-file tokenizer as one file. Include
// directives are followed, but the data-path hook keeps them inside a scratch
// folder that holds a few fixed files (one including itself), so that the
// input cannot reach anything else on the machine.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "objects/token_stream.h"
#include "platform/exception.h"
#include "scratch_folder.h"

namespace {

class vFuzzReader_c : public vIncludeFileInpStrm_c {
public:
    vFuzzReader_c() { SetTokenSyntax(gDBTokenSyntax); }
};

std::string MakeScratch() {
    static const vScratchFolder_c scratch("lorvano-fuzz-tok", {
        {"a.def", "<vColor_c> PenColor = (255, 0, 0, 0);\n// tail comment"},
        {"b.def", "#include \"a.def\" X = \"\\t\\d065\";"},
        {"self.def", "S #include self.def"},
        {"empty.def", ""},
    });
    return scratch.Path();
}

// Every name maps to one file of the scratch folder: separators are flattened.
std::string Confine(const std::string& scratch, std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    return scratch + "/" + name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string scratch = MakeScratch();
    static const bool hooked = (SetDataPathHook([](const std::string& n) { return Confine(scratch, n); }), true);
    (void)hooked;

    vFuzzReader_c r;
    r.OpenText("fuzz.def", std::string_view(reinterpret_cast<const char*>(data), size));
    // Each token takes input (or comes from the small fixed files): a reader
    // that stops consuming would exceed this.
    const size_t limit = 4 * size + 64;
    size_t tokens = 0;
    try {
        for (;;) {
            std::string t = r.NextToken();
            if (t.size() >= vTokenFileInpStrm_c::kTokenBufferSize) std::abort();
            if (t.empty() && !r.IsGood()) break;
            if (++tokens > limit) std::abort();
            if (r.Depth() > static_cast<size_t>(vIncludeFileInpStrm_c::kMaxIncludeDepth) + 1) std::abort();
        }
    } catch (const vException_c&) {
        // Bad input is reported, never a crash.
    }
    return 0;
}

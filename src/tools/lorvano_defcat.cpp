// lorvano-defcat FILE [CLASS]: loads a definition file and prints the loaded
// tree back in definition-file syntax. The root is a vLoader_c (the file
// declares "<Class> Obj = { ... }") or a new object of CLASS. On a load error
// it prints the message with the place the reader had reached and exits 1;
// wrong arguments exit 2.
//
// lorvano-defcat --check DIR: checks a whole language folder (see
// defcat_check.h) and prints each problem as "file:line: message"; exits 1
// when there is one.
//
// Content authors use it to check their files; the tests use it for round
// trips (its output loads back into the same tree).

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "defcat_check.h"
#include "objects/def_writer.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "platform/exception.h"
#include "platform/regular_file.h"

namespace {

int Usage() {
    std::fputs("usage: lorvano-defcat FILE [CLASS]\n       lorvano-defcat --check DIR\n", stderr);
    return 2;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '.')) text.pop_back();
    return text;
}

int Check(const std::string& folder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::fprintf(stderr, "lorvano-defcat: %s is not a folder\n", folder.c_str());
        return 2;
    }
    const std::vector<vDefProblem_c> problems = CheckLanguageFolder(folder);
    for (const vDefProblem_c& p : problems) std::printf("%s:%d: %s\n", p.file.c_str(), p.line, p.message.c_str());
    return problems.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--check") return Check(argv[2]);
    if (argc < 2 || argc > 3) return Usage();
    const std::string given = argv[1];
    const std::string file = EnterLanguageFolderOf(given);
    std::unique_ptr<vPropCntnr_c> root;
    if (argc == 3) {
        const vRTTI_TypeInfo_c* type = gTypeRegistry.Find(argv[2]);
        if (type == nullptr || type->AsClass() == nullptr) {
            std::fprintf(stderr, "lorvano-defcat: %s is not a registered class\n", argv[2]);
            return 2;
        }
        try {
            root.reset(type->Create());
        } catch (const vException_c&) {
            std::fprintf(stderr, "lorvano-defcat: %s cannot be created\n", argv[2]);
            return 2;
        }
    } else {
        root = std::make_unique<vLoader_c>();
    }
    // The reader itself treats a missing file as empty, and one that is no
    // regular file (a folder, a FIFO that would block) or too large as missing.
    if (!platform::OpenRegularStream(file, vFileInpStrmState_c::kMaxFileBytes)) {
        if (platform::IsNotRegularFileError(errno) || errno == EFBIG)
            std::fprintf(stderr, "lorvano-defcat: cannot open %s: it %s\n", given.c_str(),
                         platform::OpenFailureText(errno).c_str());
        else
            std::fprintf(stderr, "lorvano-defcat: cannot open %s\n", given.c_str());
        return 1;
    }

    vDBStrm_c in;
    in.Open(file);
    try {
        in.Load(*root, ConversionContext{});
    } catch (const vException_c& e) {
        // Messages of the reader name their file and line; those of the
        // value and object layers do not, so the reader's place is added.
        const auto* text = dynamic_cast<const vTextException_c*>(&e);
        std::string message =
            text != nullptr ? text->Text() + " (error code " + std::to_string(e.Code()) + ")" : Trimmed(e.Message());
        if (dynamic_cast<const vPrintException_c*>(&e) == nullptr)
            message += " at file " + in.FileName() + " line " + std::to_string(in.Line());
        std::fprintf(stderr, "lorvano-defcat: %s\n", message.c_str());
        return 1;
    }
    const std::string out = WriteDefinition(*root);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

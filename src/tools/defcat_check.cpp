#include "defcat_check.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include "analysis/recording.h"
#include "analysis/sound_limits.h"
#include "analysis/sound_marks.h"
#include "analysis/spectrum_settings.h"
#include "display/dx_image.h"
#include "display/dx_image_array.h"
#include "display/dx_menu.h"
#include "display/dx_simple_image.h"
#include "objects/def_writer.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "objects/token_stream.h"
#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "platform/message_box.h"
#include "platform/path_case.h"
#include "settings/settings.h"
#include "shell/application_keys.h"
#include "shell/loaders.h"

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Extension(const std::string& name) { return Lower(fs::path(name).extension().string()); }

bool IsPicture(const std::string& name) {
    const std::string ext = Extension(name);
    return ext == ".bmp" || ext == ".jpg" || ext == ".jpeg";
}

bool IsWave(const std::string& name) { return Extension(name) == ".wav"; }

bool IsDefinition(const std::string& name) {
    const std::string ext = Extension(name);
    return ext == ".dat" || ext == ".exc" || ext == ".crd";
}

// The file's text; "" when it cannot be read (a FIFO is never opened).
std::string ReadWhole(const std::string& path) {
    std::string text;
    if (!platform::ReadWholeFile(path, text)) text.clear();
    return text;
}

// The first line of text that holds needle, 0 when none does.
int LineOf(const std::string& text, const std::string& needle) {
    const size_t at = text.find(needle);
    if (at == std::string::npos) return 0;
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

// The reader's messages end with their own place, which the report gives
// in front instead.
std::string WithoutPlace(std::string message) {
    while (!message.empty() && (message.back() == '\n' || message.back() == '.')) message.pop_back();
    static const std::regex place(" in file .* line [0-9]+$");
    return std::regex_replace(message, place, "");
}

class Checker {
public:
    explicit Checker(std::string folder) : mFolder(std::move(folder)) {}

    std::vector<vDefProblem_c> Run();

private:
    void Report(const std::string& file, int line, const std::string& message) {
        mProblems.push_back({(fs::path(mFolder) / file).lexically_normal().string(), line, message});
    }
    // Loads file into root; problems of the load are reported. True when it loaded.
    bool Load(const std::string& file, vPropCntnr_c& root);
    // Loads file with the class its role implies, then opens what it names.
    void CheckDefinition(const std::string& file, const std::string& cacheName);
    void CheckNamedFiles(const std::string& file, vPropCntnr_c& root);
    void CheckMedia(const std::string& name, const std::string& namedIn, int line);
    void CheckModelsAndLimits();

    std::string mFolder;
    std::vector<vDefProblem_c> mProblems;
    std::set<std::string> mOpened;
};

bool Checker::Load(const std::string& file, vPropCntnr_c& root) {
    vDBStrm_c in;
    in.Open(file);
    try {
        in.Load(root, ConversionContext{});
        return true;
    } catch (const vException_c& e) {
        const auto* text = dynamic_cast<const vTextException_c*>(&e);
        std::string place = in.FileName().empty() ? file : in.FileName();
        Report(place, in.Line(), WithoutPlace(text != nullptr ? text->Text() : e.Message()));
        return false;
    }
}

void Checker::CheckDefinition(const std::string& file, const std::string& cacheName) {
    const std::string name = fs::path(file).filename().string();
    const std::string ext = Extension(file);
    if (file == ".Drawer.dat") {
        vDxMenu_c menu;
        if (Load(file, menu)) CheckNamedFiles(file, menu);
    } else if (file == cacheName) {
        vDxSimpleImageArray_c cache;
        cache.SetCount(keys::kCacheSize.Read());
        if (Load(file, cache)) CheckNamedFiles(file, cache);
    } else if (ext == ".crd" || ext == ".exc" || (ext == ".dat" && file.find('/') != std::string::npos)) {
        // Cards and exercises as the card menus load them; the .dat files of
        // sub-folders are etalons and other objects named by class.
        std::unique_ptr<vLoader_c> loader;
        if (ext == ".crd") loader = std::make_unique<vTrMenuBtnLoader_c>();
        else if (ext == ".exc") loader = std::make_unique<vTrExerciseLoader_c>();
        else loader = std::make_unique<vLoader_c>();
        if (!Load(file, *loader)) return;
        if (loader->Object() == nullptr) Report(file, 0, "No object is defined (Obj)");
        else CheckNamedFiles(file, *loader);
    }
}

void Checker::CheckNamedFiles(const std::string& file, vPropCntnr_c& root) {
    std::string tree;
    try {
        tree = WriteDefinition(root);
    } catch (const vException_c& e) {
        Report(file, 0, WithoutPlace(e.Message()));
        return;
    }
    // Every text of the loaded tree that names a picture or a WAV file,
    // whichever property (or included file) it came from.
    static const std::regex named("\"([^\"]+\\.(bmp|jpg|jpeg|wav|dat|exc|crd))\"", std::regex::icase);
    const std::string source = ReadWhole(file);
    for (std::sregex_iterator it(tree.begin(), tree.end(), named), end; it != end; ++it) {
        std::string name = (*it)[1].str();
        // The writer escapes backslashes.
        for (size_t at; (at = name.find("\\\\")) != std::string::npos;) name.erase(at, 1);
        int line = LineOf(source, name);
        if (line == 0) line = LineOf(source, std::regex_replace(name, std::regex("\\\\"), "\\\\"));
        CheckMedia(name, file, line);
    }
}

void Checker::CheckMedia(const std::string& name, const std::string& namedIn, int line) {
    const std::string path = platform::MatchExistingCase(platform::ToForwardSlashes(name));
    if (IsDefinition(name)) {
        // Loaded on its own with the class of its role.
        if (!fs::is_regular_file(path)) Report(namedIn, line, "Cannot open definition file " + name);
        return;
    }
    if (!mOpened.insert(path).second) return;
    if (!fs::is_regular_file(path)) {
        Report(namedIn, line, (IsWave(name) ? "Cannot open wave file " : "Cannot open picture file ") + name);
        return;
    }
    try {
        if (IsWave(name)) {
            vRecording_c wave;
            wave.LoadWave(path);
        } else {
            ReadPictureFile(path);
        }
    } catch (const vException_c& e) {
        const auto* text = dynamic_cast<const vTextException_c*>(&e);
        const std::string message = WithoutPlace(text != nullptr ? text->Text() : e.Message());
        Report(namedIn, line, namedIn == name ? message : name + ": " + message);
    }
}

void Checker::CheckModelsAndLimits() {
    const std::string models = keys::kModelsFile.Read(), limits = keys::kLimitsFile.Read();
    const bool needed = keys::kWordNewCalculation.Read() || keys::kSpectrumNewCalculation.Read();
    const bool haveModels = fs::is_regular_file(models), haveLimits = fs::is_regular_file(limits);
    if (needed && !haveModels) Report("trainer.ini", 0, std::string("Cannot open ") + models + " file!");
    if (needed && !haveLimits) Report("trainer.ini", 0, std::string("Cannot open ") + limits + " file!");
    if (!haveModels && !haveLimits) return;

    std::unique_ptr<vSoundLimits> table;
    if (haveLimits) {
        try {
            table = std::make_unique<vSoundLimits>("", limits);
        } catch (const vException_c& e) {
            Report(limits, 0, WithoutPlace(e.Message()));
        }
    }
    if (!haveModels) return;
    // Every sound of the models file is read as the word exercise reads it,
    // and must have its mark limits; the readers' boxes become problems.
    std::vector<std::string> boxes;
    platform::SetMessageBoxHook([&boxes](const platform::MessageBoxRecord& box) {
        boxes.push_back(box.text.substr(0, box.text.find('\n')));
        return platform::BoxAnswer::Ok;
    });
    std::istringstream lines(ReadWhole(models));
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (line.empty() || line[0] != '[') continue;
        const size_t close = line.find(']');
        if (close == std::string::npos) continue;
        std::string code = line.substr(1, close - 1);
        vSoundFrames_c frames;
        frames.Allocate(1, 0);
        frames.SetCode(0, code);
        frames.LoadModels(models);
        if (table) table->SelectSound(code);
        for (const std::string& box : boxes) Report(models, number, box);
        boxes.clear();
    }
    platform::SetMessageBoxHook({});
}

// Pictures load into surfaces as their definitions are read: an offscreen
// screen of the design resolution stands in for the window. Relative names
// in definition files are relative to the language folder, and the classes
// read their settings from its trainer.ini.
void EnterFolder(const fs::path& folder) {
    vDxScreenInfo screen;
    screen.exists = true;
    screen.bpp = 32;
    screen.defaultResX = screen.actualResX = 800;
    screen.defaultResY = screen.actualResY = 600;
    SetDxScreenInfo(screen);
    fs::current_path(folder);
    const std::string ini = (fs::current_path() / "trainer.ini").string();
    if (fs::is_regular_file(ini)) gSettings.SetFileName(ini.c_str());
}

std::vector<vDefProblem_c> Checker::Run() {
    const fs::path previous = fs::current_path();
    EnterFolder(mFolder);
    const std::string cacheName = platform::ToForwardSlashes(keys::kCacheName.Read());
    if (!cacheName.empty() && !fs::is_regular_file(platform::MatchExistingCase(cacheName)))
        Report("trainer.ini", 0, "Cannot open picture cache " + cacheName);

    std::vector<std::string> files;
    for (auto it = fs::recursive_directory_iterator("."); it != fs::recursive_directory_iterator(); ++it)
        if (it->is_regular_file()) files.push_back(it->path().lexically_relative(".").string());
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) CheckDefinition(file, cacheName);
    // Pictures no file names (the default cards find theirs by name) and
    // recordings are opened too.
    for (const std::string& file : files)
        if (IsPicture(file) || IsWave(file)) CheckMedia(file, file, 0);
    CheckModelsAndLimits();
    fs::current_path(previous);
    return std::move(mProblems);
}

}  // namespace

std::vector<vDefProblem_c> CheckLanguageFolder(const std::string& folder) { return Checker(folder).Run(); }

std::string EnterLanguageFolderOf(const std::string& file) {
    std::error_code ec;
    const fs::path path = fs::absolute(file, ec);
    if (ec) return file;
    for (fs::path folder = path.parent_path(); !folder.empty(); folder = folder.parent_path()) {
        if (fs::is_regular_file(folder / "trainer.ini")) {
            EnterFolder(folder);
            return path.lexically_relative(folder).string();
        }
        if (folder == folder.root_path()) break;
    }
    EnterFolder(fs::current_path());
    return file;
}

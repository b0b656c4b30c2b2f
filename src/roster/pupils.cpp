#include "roster/pupils.h"

#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "platform/path_case.h"
#include "platform/profile.h"
#include "platform/remove_tree.h"
#include "platform/user_data.h"
#include "roster/roster_names.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace roster {
namespace {

constexpr const char* kInfoSection = "Recording";
constexpr std::size_t kMaxStem = 40;

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool HasWavExtension(const std::string& name) {
    return name.size() > 4 && ::strcasecmp(name.c_str() + name.size() - 4, ".wav") == 0;
}

std::string InfoPathFor(const std::string& wavPath) { return wavPath.substr(0, wavPath.size() - 4) + ".info"; }

// A value that fits on one INI line.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return text;
}

// The plain part of a file name to tell recordings apart by eye: the
// exercise file's base name without extension, letters, digits, "-" and "_".
std::string Stem(const std::string& exerciseFile) {
    std::string base = platform::ToForwardSlashes(exerciseFile);
    base = base.substr(base.rfind('/') + 1);
    base = base.substr(0, base.rfind('.'));
    std::string stem;
    for (char c : base) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        stem += plain ? c : '_';
        if (stem.size() == kMaxStem) break;
    }
    return stem.empty() ? "recording" : stem;
}

std::string FullPath(const std::string& name) {
    std::string path = platform::ToForwardSlashes(name);
    if (path.empty() || path[0] == '/') return path;
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);
    return ec ? path : cwd.string() + "/" + path;
}

std::string LocalTime(std::time_t time, const char* format) {
    std::tm local{};
    ::localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

std::string ReadInfo(const std::string& infoPath, const char* key) {
    char buffer[1024];
    platform::ReadProfileString(kInfoSection, key, "", buffer, sizeof buffer, infoPath);
    return buffer;
}

}  // namespace

std::string PupilsRootFor(const std::string& usersFile) {
    const std::size_t slash = usersFile.rfind('/');
    return (slash == std::string::npos ? std::string() : usersFile.substr(0, slash + 1)) + "pupils/";
}

vPupilStore_c::vPupilStore_c(std::string root) : mRoot(platform::ToForwardSlashes(std::move(root))) {
    if (!mRoot.empty() && mRoot.back() != '/') mRoot += '/';
}

std::vector<std::string> vPupilStore_c::Pupils() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(mRoot, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (it->is_directory(ec) && NameProblem(name).empty()) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string vPupilStore_c::Find(const std::string& name) const {
    for (const std::string& pupil : Pupils())
        if (SameName(pupil, name)) return pupil;
    return {};
}

std::string vPupilStore_c::Folder(const std::string& pupil) const {
    if (std::string problem = NameProblem(pupil); !problem.empty()) throw vTextException_c(problem);
    return mRoot + pupil + "/";
}

std::string vPupilStore_c::Add(const std::string& name) {
    const std::string folder = Folder(name);
    if (std::string existing = Find(name); !existing.empty()) return existing;
    if (!platform::MakeFolders(mRoot, 0700)) throw vExErrNo_c(mRoot);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) throw vExErrNo_c(folder);
    return name;
}

void vPupilStore_c::Remove(const std::string& name, bool withRecordings) {
    const std::string pupil = Find(name);
    if (pupil.empty()) throw vTextException_c("There is no pupil named " + name + ".");
    struct stat st;
    if (::lstat((mRoot + pupil).c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        throw vTextException_c("The pupil " + pupil + "'s folder " + Folder(pupil) +
                               " is a symbolic link to another place; nothing was removed. Remove the link by hand "
                               "if the pupil should go.");
    const std::size_t count = Recordings(pupil).size();
    if (count > 0 && !withRecordings)
        throw vTextException_c("The pupil " + pupil + " still has " + std::to_string(count) + " recording(s).");
    // Never follows a link, not even one put in place after the check above.
    if (!platform::RemoveFolderTree(mRoot, pupil)) throw vExErrNo_c(Folder(pupil));
}

std::string vPupilStore_c::NewRecording(const std::string& pupil, int exerciseType, const std::string& cardText,
                                        const std::string& exerciseFile) const {
    const std::string folder = Folder(pupil);
    const std::time_t now = std::time(nullptr);
    const std::string base = folder + LocalTime(now, "%Y-%m-%d_%H-%M-%S") + "_" + Stem(exerciseFile);
    std::string wav = base + ".wav";
    for (int n = 2; Exists(wav) || Exists(InfoPathFor(wav)); ++n) wav = base + "_" + std::to_string(n) + ".wav";

    const std::string info = std::string("[") + kInfoSection + "]\n" +
                             "Exercise=" + OneLine(FullPath(exerciseFile)) + "\n" +
                             "Card=" + OneLine(cardText) + "\n" +
                             "Type=" + std::to_string(exerciseType) + "\n" +
                             "Created=" + LocalTime(now, "%Y-%m-%d %H:%M:%S") + "\n";
    if (!platform::WriteFileAtomically(InfoPathFor(wav), info)) throw vExErrNo_c(InfoPathFor(wav));
    return wav;
}

std::vector<vRecordingInfo_c> vPupilStore_c::Recordings(const std::string& pupil) const {
    struct Entry {
        vRecordingInfo_c info;
        std::time_t time;
    };
    std::vector<Entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(Folder(pupil), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string path = it->path().string();
        struct stat st;
        if (!HasWavExtension(path) || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        Entry e{{path, {}, {}, 0, {}}, st.st_mtime};
        const std::string infoPath = InfoPathFor(path);
        if (platform::IsRegularFile(infoPath)) {
            e.info.exerciseFile = ReadInfo(infoPath, "Exercise");
            e.info.cardText = ReadInfo(infoPath, "Card");
            e.info.exerciseType = std::atoi(ReadInfo(infoPath, "Type").c_str());
            e.info.created = ReadInfo(infoPath, "Created");
        }
        if (e.info.created.empty()) e.info.created = LocalTime(e.time, "%Y-%m-%d %H:%M:%S");
        entries.push_back(std::move(e));
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.time != b.time ? a.time > b.time : a.info.wavPath > b.info.wavPath;
    });
    std::vector<vRecordingInfo_c> list;
    for (Entry& e : entries) list.push_back(std::move(e.info));
    return list;
}

std::string vPupilStore_c::PupilOf(const std::string& path) const {
    const std::string given = platform::ToForwardSlashes(path);
    if (given.rfind(mRoot, 0) != 0) return {};
    const std::string rest = given.substr(mRoot.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos || rest.find('/', slash + 1) != std::string::npos) return {};
    return Find(rest.substr(0, slash));
}

}  // namespace roster

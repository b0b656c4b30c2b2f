#include "roster/users_file.h"

#include "platform/atomic_file.h"
#include "platform/regular_file.h"
#include "platform/user_data.h"
#include "roster/roster_names.h"

#include <sodium.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace roster {
namespace {

constexpr const char* kHeader = "LorvanoUsers\t1\n";
constexpr const char* kHashPrefix = "$argon2id$";

void StartSodium() {
    if (::sodium_init() < 0) throw vTextException_c("The password library cannot be started.");
}

std::string HashPassword(const std::string& password) {
    if (password.empty()) throw vTextException_c("The password is empty.");
    StartSodium();
    char hash[crypto_pwhash_STRBYTES];
    if (::crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                            crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw vTextException_c("There is not enough memory to protect the password.");
    return hash;
}

bool Verify(const std::string& hash, const std::string& password) {
    StartSodium();
    return ::crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

// Checked in place of an unknown name's hash, with the same cost settings as
// every stored hash: the hash of 32 random bytes that were then thrown away.
constexpr const char* kDecoyHash =
    "$argon2id$v=19$m=65536,t=2,p=1$IeS8gnuQ6ashkCqN2V8ySw$rBr+Xlql7pC/xR5sscb6+3PwnbkoEPgGJsiOVx2blFc";

std::string Checksum(std::string_view data) {
    StartSodium();
    unsigned char digest[32];
    ::crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(data.data()), data.size(),
                         nullptr, 0);
    char hex[2 * sizeof digest + 1];
    ::sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

std::vector<std::string> SplitFields(std::string_view line) {
    std::vector<std::string> fields;
    for (std::size_t pos = 0;;) {
        const std::size_t tab = line.find('\t', pos);
        fields.emplace_back(line.substr(pos, tab == std::string_view::npos ? std::string_view::npos : tab - pos));
        if (tab == std::string_view::npos) return fields;
        pos = tab + 1;
    }
}

bool IsHash(const std::string& text) {
    return text.rfind(kHashPrefix, 0) == 0 && text.size() < crypto_pwhash_STRBYTES &&
           text.find_first_of("\t\n") == std::string::npos;
}

std::string Folder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

vUsersFile_c::vUsersFile_c(std::string path) : mPath(std::move(path)) {}

void vUsersFile_c::Load() { Read(true); }

void vUsersFile_c::Read(bool sayEmpty) {
    mTeachers.clear();
    mRead.clear();
    std::string text;
    // Temporaries of a save that was killed hold password hashes: gone at once.
    platform::RemoveStaleTemporaries(Folder(mPath));
    if (!platform::ReadWholeFile(mPath, text)) {
        if (errno == ENOENT) return;
        if (platform::IsNotRegularFileError(errno))
            throw vTextException_c("The users file " + mPath + " " + platform::OpenFailureText(errno) + ".");
        throw vExErrNo_c(mPath);
    }
    if (text.empty()) {
        // Only a first save cut short (by a version that made the file empty
        // before writing it) leaves an empty file: no teacher was ever in it.
        if (sayEmpty)
            std::fprintf(stderr,
                         "The users file %s is empty: a first save did not finish. It is read as having no teachers "
                         "yet; the next save writes it.\n",
                         mPath.c_str());
        return;
    }
    const auto damaged = [&](int line, const std::string& why) {
        mTeachers.clear();
        std::string where = line > 0 ? " (line " + std::to_string(line) + ")" : std::string();
        return vUsersFileDamaged_c("The users file " + mPath + " is damaged" + where + ": " + why);
    };
    if (text.rfind(kHeader, 0) != 0) throw damaged(1, "it is not a users file of this program.");
    std::size_t pos = std::char_traits<char>::length(kHeader);
    for (int line = 2;; ++line) {
        const std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) throw damaged(0, "it ends early (the file was cut short).");
        const std::vector<std::string> fields = SplitFields(std::string_view(text).substr(pos, end - pos));
        if (fields[0] == "teacher") {
            if (fields.size() != 3 || !NameProblem(fields[1]).empty() || !IsHash(fields[2]))
                throw damaged(line, "a teacher's entry is not valid.");
            if (Find(fields[1])) throw damaged(line, "a teacher is listed twice.");
            mTeachers.push_back({fields[1], fields[2]});
        } else if (fields[0] == "end") {
            if (fields.size() != 3 || fields[1] != std::to_string(mTeachers.size()))
                throw damaged(line, "the number of teachers does not match.");
            if (fields[2] != Checksum(std::string_view(text).substr(0, pos)))
                throw damaged(line, "its contents do not match their checksum.");
            if (end + 1 != text.size()) throw damaged(line + 1, "there is text after its end.");
            mRead = std::move(text);
            return;
        } else {
            throw damaged(line, "an entry of an unknown kind.");
        }
        pos = end + 1;
    }
}

void vUsersFile_c::Save() {
    // The file on disk may have been changed since it was read: a damaged
    // one is left for its owner, another program's change is not undone.
    vUsersFile_c onDisk(mPath);
    onDisk.Read(false);
    if (onDisk.mRead != mRead)
        throw vTextException_c("The users file " + mPath +
                               " was changed by another program meanwhile; nothing was written. Please try again.");

    const std::string folder = Folder(mPath);
    if (!folder.empty() && !platform::MakeFolders(folder, 0700)) throw vExErrNo_c(folder);
    std::string text = Serialise();
    if (!platform::WriteFileAtomically(mPath, text, platform::FileMode::OwnerOnly)) throw vExErrNo_c(mPath);
    mRead = std::move(text);
}

std::string vUsersFile_c::Serialise() const {
    std::string text = kHeader;
    for (const Teacher& t : mTeachers) text += "teacher\t" + t.name + "\t" + t.hash + "\n";
    text += "end\t" + std::to_string(mTeachers.size()) + "\t" + Checksum(text) + "\n";
    return text;
}

std::vector<std::string> vUsersFile_c::Teachers() const {
    std::vector<std::string> names;
    for (const Teacher& t : mTeachers) names.push_back(t.name);
    return names;
}

bool vUsersFile_c::HasTeacher(const std::string& name) const { return Find(name) != nullptr; }

std::size_t vUsersFile_c::Index(const std::string& name) const {
    auto it = std::find_if(mTeachers.begin(), mTeachers.end(), [&](const Teacher& t) { return SameName(t.name, name); });
    return static_cast<std::size_t>(it - mTeachers.begin());
}

const vUsersFile_c::Teacher* vUsersFile_c::Find(const std::string& name) const {
    const std::size_t i = Index(name);
    return i < mTeachers.size() ? &mTeachers[i] : nullptr;
}

std::size_t vUsersFile_c::Existing(const std::string& name) const {
    const std::size_t i = Index(name);
    if (i == mTeachers.size()) throw vTextException_c("There is no teacher named " + name + ".");
    return i;
}

void vUsersFile_c::AddTeacher(const std::string& name, const std::string& password) {
    if (std::string problem = NameProblem(name); !problem.empty()) throw vTextException_c(problem);
    if (Find(name)) throw vTextException_c("A teacher named " + name + " already exists.");
    mTeachers.push_back({name, HashPassword(password)});
}

void vUsersFile_c::RemoveTeacher(const std::string& name) {
    mTeachers.erase(mTeachers.begin() + static_cast<std::ptrdiff_t>(Existing(name)));
}

void vUsersFile_c::SetPassword(const std::string& name, const std::string& password) {
    mTeachers[Existing(name)].hash = HashPassword(password);
}

bool vUsersFile_c::CheckLogin(const std::string& name, const std::string& password) const {
    const Teacher* t = Find(name);
    const bool match = Verify(t ? t->hash : kDecoyHash, password);
    return t != nullptr && match;
}

}  // namespace roster

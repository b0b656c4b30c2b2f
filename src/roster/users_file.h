#pragma once
// vUsersFile_c: the teachers who may log in, kept in one users file.
//
// Passwords are stored only as Argon2id hash strings (libsodium's
// crypto_pwhash_str, which salts each one). The file is text:
//
//   LorvanoUsers<TAB>1
//   teacher<TAB><name><TAB><hash>          one line per teacher
//   end<TAB><teachers><TAB><checksum>      BLAKE2b of all lines above, hex
//
// so that a truncated or otherwise damaged file is recognised. A damaged file
// is refused (vUsersFileDamaged_c) and never written over; it stays as it is
// for its owner to repair or restore. An empty file is no damage but a first
// save that did not finish: it reads as no teachers yet (said on stderr). The file is written whole or not at
// all, readable and writable by its owner only (0600), in a folder created
// private (0700) when missing.
//
// One object per file; not thread-safe (the user-interface thread or a tool
// uses it).

#include "platform/exception.h"

#include <string>
#include <vector>

namespace roster {

// The users file cannot be read as one: the text says which file and why.
class vUsersFileDamaged_c : public vTextException_c {
public:
    using vTextException_c::vTextException_c;
};

class vUsersFile_c {
public:
    explicit vUsersFile_c(std::string path);

    const std::string& Path() const { return mPath; }

    // Reads the file; a missing or empty file is a roster without teachers
    // (the first run). Removes temporaries that killed saves left beside it. Raises vUsersFileDamaged_c when the file is not a whole users
    // file, vExErrNo_c when it cannot be read; the list is then empty.
    void Load();

    // Writes the list. Writes nothing and raises vUsersFileDamaged_c when the
    // file on disk has meanwhile become unreadable as a users file,
    // vTextException_c when another program has changed it since it was read
    // (its change would be lost), vExErrNo_c when it cannot be written.
    void Save();

    std::vector<std::string> Teachers() const;
    bool HasTeacher(const std::string& name) const;

    // Raise vTextException_c with a sentence for the user when the name is
    // not acceptable, already taken (letter case aside) or unknown, or the
    // password is empty. Nothing is saved: call Save.
    void AddTeacher(const std::string& name, const std::string& password);
    void RemoveTeacher(const std::string& name);
    void SetPassword(const std::string& name, const std::string& password);

    // True when name and password belong together. An unknown name costs as
    // much time as a known one, so the answer says nothing about which names
    // exist.
    bool CheckLogin(const std::string& name, const std::string& password) const;

private:
    struct Teacher {
        std::string name;
        std::string hash;
    };

    // Position of the teacher (letter case aside), or the list's size.
    std::size_t Index(const std::string& name) const;
    const Teacher* Find(const std::string& name) const;
    // Position of the teacher; raises vTextException_c when there is none.
    std::size_t Existing(const std::string& name) const;
    std::string Serialise() const;
    // Load; an empty file is said on stderr only when sayEmpty.
    void Read(bool sayEmpty);

    std::string mPath;
    std::vector<Teacher> mTeachers;
    std::string mRead;  // the file as last read or written; empty when missing
};

}  // namespace roster

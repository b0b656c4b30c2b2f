#pragma once
// vPupilStore_c: the pupils and their recordings. Every pupil has a folder
// named after the pupil under one root (normally
// "$XDG_DATA_HOME/lorvano/pupils/"), created private (0700) when first
// needed; a name that could leave the root is refused (see roster_names.h).
//
// A recording is a WAV file in the pupil's folder. Beside each one the store
// keeps "<same name>.info", an INI file with section [Recording] naming the
// exercise it was made in (Exercise, a full path), the card's text (Card), the
// exercise type (Type) and the time it was made (Created), so that the
// exercise can be opened again with the recording.
//
// Any one thread at a time (the user-interface thread or a tool).

#include <string>
#include <vector>

namespace roster {

struct vRecordingInfo_c {
    std::string wavPath;       // full path of the WAV file
    std::string exerciseFile;  // empty when the recording's exercise is unknown
    std::string cardText;
    int exerciseType = 0;
    std::string created;       // "YYYY-MM-DD HH:MM:SS", local time
};

// The pupils' folders that belong with a users file: "pupils/" beside it.
std::string PupilsRootFor(const std::string& usersFile);

class vPupilStore_c {
public:
    // root: the folder that holds the pupils' folders ("/" at the end optional).
    explicit vPupilStore_c(std::string root);

    const std::string& Root() const { return mRoot; }

    // The pupils with a folder, sorted; entries whose names break the rule are left out.
    std::vector<std::string> Pupils() const;

    // The pupil's name as spelt on disk when one matches name (letter case
    // aside), else empty.
    std::string Find(const std::string& name) const;

    // The pupil's folder ending in "/"; raises vTextException_c for a name
    // that breaks the rule.
    std::string Folder(const std::string& pupil) const;

    // Makes sure the pupil has a folder and returns the name as spelt on
    // disk (an existing pupil whose name differs only in letter case is
    // that pupil). Raises vTextException_c for a bad name, vExErrNo_c when
    // the folder cannot be made.
    std::string Add(const std::string& name);

    // Removes a pupil's folder. A folder with recordings in it is removed only
    // when withRecordings; otherwise vTextException_c says how many there are.
    // No symbolic link is followed: a pupil's folder that is a link is refused
    // (vTextException_c), a link inside is removed as a link.
    void Remove(const std::string& name, bool withRecordings);

    // Chooses a new WAV file name in the pupil's folder (nothing of that name
    // exists yet) and writes its ".info" beside it. A relative exerciseFile is
    // taken relative to the current directory. Raises on failure.
    std::string NewRecording(const std::string& pupil, int exerciseType, const std::string& cardText,
                             const std::string& exerciseFile) const;

    // The pupil's recordings, newest first; those without ".info" have an
    // empty exercise.
    std::vector<vRecordingInfo_c> Recordings(const std::string& pupil) const;

    // The pupil whose folder holds path (a file name in any pupil's folder),
    // or empty.
    std::string PupilOf(const std::string& path) const;

private:
    std::string mRoot;
};

}  // namespace roster

#pragma once
// vProgressStore_c: the progress records of one user, an SQLite database
// (normally "$XDG_DATA_HOME/lorvano/progress.sqlite"). It owns the
// connection and the schema:
//
//   sessions(id, pupil, teacher, started, ended)       ended NULL while open
//   tries(id, session -> sessions, time, exercise, card, kind, mark, sound,
//         sound_mark, score, teacher_mark, recording)
//
// Times are local, "YYYY-MM-DD HH:MM:SS". The schema's version is the
// database's user_version; opening migrates an older database in one
// transaction. A database that cannot be used as it is (damaged, locked
// beyond the busy timeout, read-only, or of a newer version) raises
// vProgressUnavailable_c and is never written: it stays for its owner.
// A new database is made readable by its owner only (0600); the journal is
// WAL, so readers and a writer in other processes do not block each other.
//
// One object per connection, used by one thread at a time.

#include "platform/exception.h"

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace progress {

// The database cannot be used; the text says which one and why, for the user.
class vProgressUnavailable_c : public vTextException_c {
public:
    using vTextException_c::vTextException_c;
};

struct vTry_c {
    std::string time;  // local, "YYYY-MM-DD HH:MM:SS"
    std::string exerciseFile;
    std::string cardText;
    int kind = 0;             // the exercise's kind
    int mark = 0;             // the mark shown, 1..5; 0 none
    std::string sound;        // the trained sound, empty when none
    int soundMark = 0;        // its mark, 1..5; 0 none
    double score = 0;         // the distance or score behind the mark
    int teacherMark = -1;     // 1..5, 0 "not a try", -1 not given
    std::string recording;    // the kept recording, empty when none
};

struct vStoredTry_c : vTry_c {
    int64_t session = 0;
    std::string pupil;
    std::string teacher;
    std::string sessionStart;
};

// The schema version this program writes.
constexpr int kSchemaVersion = 1;

// Brings an open database from its user_version up to version `to` (no
// further than kSchemaVersion) in one transaction. Raises
// vProgressUnavailable_c on failure (nothing is changed then).
void Migrate(sqlite3* db, const std::string& path, int to);

class vProgressStore_c {
public:
    enum class Open {
        CreateOrWrite,  // made when missing
        Existing        // raises vProgressUnavailable_c when missing
    };

    vProgressStore_c(std::string path, Open how);
    ~vProgressStore_c();
    vProgressStore_c(const vProgressStore_c&) = delete;
    vProgressStore_c& operator=(const vProgressStore_c&) = delete;

    const std::string& Path() const { return mPath; }

    // A write transaction (taken at once, waiting for other writers up to
    // the busy timeout). Every write below raises vProgressUnavailable_c on
    // failure.
    void Begin();
    void Commit();
    // Undoes an open transaction; nothing when none is open. Never raises.
    void Rollback() noexcept;

    int64_t BeginSession(const std::string& pupil, const std::string& teacher, const std::string& start);
    void EndSession(int64_t session, const std::string& end);
    int64_t AddTry(int64_t session, const vTry_c& t);
    void SetRecording(int64_t tryId, const std::string& recording);
    // The teacher's own mark of a try: 1..5, 0 "not a try", -1 none.
    void SetTeacherMark(int64_t tryId, int mark);

    // The pupil's tries (every pupil's when pupil is empty) whose day lies
    // in [from, to] ("YYYY-MM-DD"; empty: open end), oldest first.
    std::vector<vStoredTry_c> Tries(const std::string& pupil, const std::string& from = {},
                                    const std::string& to = {});
    // Deletes the pupil's sessions and tries; the number of tries deleted.
    int64_t RemovePupil(const std::string& pupil);

private:
    void OpenAndMigrate();
    void Exec(const char* sql);

    std::string mPath;
    sqlite3* mDb = nullptr;
};

}  // namespace progress

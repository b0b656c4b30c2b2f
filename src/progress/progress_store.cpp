#include "progress/progress_store.h"

#include "platform/user_data.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

namespace progress {
namespace {

// How long a write waits for another program's transaction.
constexpr int kBusyTimeoutMs = 5000;

// kMigrations[v] brings a database of version v to version v + 1. Steps are
// only ever appended: a released one is never changed.
constexpr const char* kMigrations[] = {
    // 0 -> 1: sessions and tries.
    "CREATE TABLE sessions("
    "  id INTEGER PRIMARY KEY,"
    "  pupil TEXT NOT NULL,"
    "  teacher TEXT NOT NULL,"
    "  started TEXT NOT NULL,"
    "  ended TEXT);"
    "CREATE INDEX sessions_pupil ON sessions(pupil);"
    "CREATE TABLE tries("
    "  id INTEGER PRIMARY KEY,"
    "  session INTEGER NOT NULL REFERENCES sessions(id) ON DELETE CASCADE,"
    "  time TEXT NOT NULL,"
    "  exercise TEXT NOT NULL,"
    "  card TEXT NOT NULL,"
    "  kind INTEGER NOT NULL,"
    "  mark INTEGER NOT NULL,"
    "  sound TEXT NOT NULL,"
    "  sound_mark INTEGER NOT NULL,"
    "  score REAL NOT NULL,"
    "  teacher_mark INTEGER,"
    "  recording TEXT NOT NULL);"
    "CREATE INDEX tries_session ON tries(session);",
};
static_assert(std::size(kMigrations) == kSchemaVersion);

[[noreturn]] void Unavailable(const std::string& path, sqlite3* db, int rc) {
    std::string why;
    switch (rc & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: why = "are damaged"; break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: why = "are in use by another program"; break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN: why = "cannot be written"; break;
    default: why = "cannot be used"; break;
    }
    const char* detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw vProgressUnavailable_c("The progress records " + path + " " + why + " (" + detail + ").", rc & 0xff);
}

// One prepared statement; values are only ever bound, never spliced in.
class Statement {
public:
    Statement(sqlite3* db, const std::string& path, const char* sql) : mDb(db), mPath(path) {
        const int rc = sqlite3_prepare_v2(db, sql, -1, &mStmt, nullptr);
        if (rc != SQLITE_OK) Unavailable(mPath, mDb, rc);
    }
    ~Statement() { sqlite3_finalize(mStmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(const std::string& text) {
        Check(sqlite3_bind_text(mStmt, ++mBound, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& Bind(int64_t value) {
        Check(sqlite3_bind_int64(mStmt, ++mBound, value));
        return *this;
    }
    Statement& Bind(double value) {
        Check(sqlite3_bind_double(mStmt, ++mBound, value));
        return *this;
    }
    Statement& BindNull() {
        Check(sqlite3_bind_null(mStmt, ++mBound));
        return *this;
    }

    // True while a row is there.
    bool Step() {
        const int rc = sqlite3_step(mStmt);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) Unavailable(mPath, mDb, rc);
        return false;
    }

    std::string Text(int column) const {
        const auto* text = sqlite3_column_text(mStmt, column);
        return text ? std::string(reinterpret_cast<const char*>(text),
                                  static_cast<std::size_t>(sqlite3_column_bytes(mStmt, column)))
                    : std::string();
    }
    int64_t Int(int column) const { return sqlite3_column_int64(mStmt, column); }
    double Real(int column) const { return sqlite3_column_double(mStmt, column); }
    bool IsNull(int column) const { return sqlite3_column_type(mStmt, column) == SQLITE_NULL; }

private:
    void Check(int rc) const {
        if (rc != SQLITE_OK) Unavailable(mPath, mDb, rc);
    }

    sqlite3* mDb;
    const std::string& mPath;
    sqlite3_stmt* mStmt = nullptr;
    int mBound = 0;
};

int UserVersion(sqlite3* db, const std::string& path) {
    Statement s(db, path, "PRAGMA user_version");
    return s.Step() ? static_cast<int>(s.Int(0)) : 0;
}

void ExecOn(sqlite3* db, const std::string& path, const char* sql) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Unavailable(path, db, rc);
}

std::string Folder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Makes an empty file of the owner's only, so that SQLite (which gives its
// journal files the database's mode) never makes anything wider.
void CreatePrivate(const std::string& path) {
    platform::MakeFolders(Folder(path), 0700);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
}

// The database's version; raises when this program does not know it.
int KnownVersion(sqlite3* db, const std::string& path) {
    const int version = UserVersion(db, path);
    if (version > kSchemaVersion)
        throw vProgressUnavailable_c("The progress records " + path + " were written by a newer version of the "
                                     "program (schema " + std::to_string(version) + ", this one knows " +
                                     std::to_string(kSchemaVersion) + ").");
    return version;
}

}  // namespace

void Migrate(sqlite3* db, const std::string& path, int to) {
    ExecOn(db, path, "BEGIN IMMEDIATE");
    try {
        const int from = KnownVersion(db, path);
        for (int v = from; v < to && v < kSchemaVersion; ++v) {
            ExecOn(db, path, kMigrations[v]);
            // A pragma takes no bound value; the number is ours.
            ExecOn(db, path, ("PRAGMA user_version = " + std::to_string(v + 1)).c_str());
        }
        ExecOn(db, path, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

vProgressStore_c::vProgressStore_c(std::string path, Open how) : mPath(std::move(path)) {
    struct stat st{};
    if (::stat(mPath.c_str(), &st) != 0) {
        if (how == Open::Existing) throw vProgressUnavailable_c("There are no progress records yet (" + mPath + ").");
        CreatePrivate(mPath);
    }
    // Switching to WAL and a first migration take their locks without
    // SQLite's busy handler, so two programs opening a new database at once
    // can find it locked: the opening is tried again within the busy timeout.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        try {
            OpenAndMigrate();
            return;
        } catch (const vProgressUnavailable_c& e) {
            if (e.Code() != SQLITE_BUSY || std::chrono::steady_clock::now() > deadline) throw;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void vProgressStore_c::OpenAndMigrate() {
    // Never SQLITE_OPEN_CREATE: a file that vanished meanwhile is not made
    // again with SQLite's wider default mode.
    int rc = sqlite3_open_v2(mPath.c_str(), &mDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    try {
        if (rc != SQLITE_OK) Unavailable(mPath, mDb, rc);
        if (sqlite3_db_readonly(mDb, "main") == 1) Unavailable(mPath, nullptr, SQLITE_READONLY);
        sqlite3_busy_timeout(mDb, kBusyTimeoutMs);
        sqlite3_extended_result_codes(mDb, 1);
        {
            Statement check(mDb, mPath, "PRAGMA quick_check");
            if (check.Step() && check.Text(0) != "ok") Unavailable(mPath, nullptr, SQLITE_CORRUPT);
        }
        KnownVersion(mDb, mPath);
        {
            Statement wal(mDb, mPath, "PRAGMA journal_mode = WAL");
            if (!wal.Step() || wal.Text(0) != "wal") Unavailable(mPath, nullptr, SQLITE_READONLY);
        }
        Exec("PRAGMA synchronous = NORMAL");
        Exec("PRAGMA foreign_keys = ON");
        Migrate(mDb, mPath, kSchemaVersion);
    } catch (...) {
        sqlite3_close_v2(mDb);
        mDb = nullptr;
        throw;
    }
}

vProgressStore_c::~vProgressStore_c() { sqlite3_close_v2(mDb); }

void vProgressStore_c::Exec(const char* sql) { ExecOn(mDb, mPath, sql); }

void vProgressStore_c::Begin() { Exec("BEGIN IMMEDIATE"); }
void vProgressStore_c::Commit() { Exec("COMMIT"); }
void vProgressStore_c::Rollback() noexcept {
    if (!sqlite3_get_autocommit(mDb)) sqlite3_exec(mDb, "ROLLBACK", nullptr, nullptr, nullptr);
}

int64_t vProgressStore_c::BeginSession(const std::string& pupil, const std::string& teacher,
                                       const std::string& start) {
    Statement s(mDb, mPath, "INSERT INTO sessions(pupil, teacher, started) VALUES(?, ?, ?)");
    s.Bind(pupil).Bind(teacher).Bind(start).Step();
    return sqlite3_last_insert_rowid(mDb);
}

void vProgressStore_c::EndSession(int64_t session, const std::string& end) {
    Statement s(mDb, mPath, "UPDATE sessions SET ended = ? WHERE id = ?");
    s.Bind(end).Bind(session).Step();
}

int64_t vProgressStore_c::AddTry(int64_t session, const vTry_c& t) {
    Statement s(mDb, mPath,
                "INSERT INTO tries(session, time, exercise, card, kind, mark, sound, sound_mark, score, "
                "teacher_mark, recording) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    s.Bind(session).Bind(t.time).Bind(t.exerciseFile).Bind(t.cardText).Bind(int64_t{t.kind}).Bind(int64_t{t.mark});
    s.Bind(t.sound).Bind(int64_t{t.soundMark}).Bind(t.score);
    if (t.teacherMark < 0)
        s.BindNull();
    else
        s.Bind(int64_t{t.teacherMark});
    s.Bind(t.recording).Step();
    return sqlite3_last_insert_rowid(mDb);
}

void vProgressStore_c::SetRecording(int64_t tryId, const std::string& recording) {
    Statement s(mDb, mPath, "UPDATE tries SET recording = ? WHERE id = ?");
    s.Bind(recording).Bind(tryId).Step();
}

void vProgressStore_c::SetTeacherMark(int64_t tryId, int mark) {
    Statement s(mDb, mPath, "UPDATE tries SET teacher_mark = ? WHERE id = ?");
    if (mark < 0)
        s.BindNull();
    else
        s.Bind(int64_t{mark});
    s.Bind(tryId).Step();
}

std::vector<vStoredTry_c> vProgressStore_c::Tries(const std::string& pupil, const std::string& from,
                                                  const std::string& to) {
    Statement s(mDb, mPath,
                "SELECT t.session, s.pupil, s.teacher, s.started, t.time, t.exercise, t.card, t.kind, t.mark, "
                "t.sound, t.sound_mark, t.score, t.teacher_mark, t.recording "
                "FROM tries t JOIN sessions s ON s.id = t.session "
                "WHERE (?1 = '' OR s.pupil = ?1) AND (?2 = '' OR substr(t.time, 1, 10) >= ?2) "
                "AND (?3 = '' OR substr(t.time, 1, 10) <= ?3) ORDER BY t.time, t.id");
    s.Bind(pupil).Bind(from).Bind(to);
    std::vector<vStoredTry_c> tries;
    while (s.Step()) {
        vStoredTry_c t;
        t.session = s.Int(0);
        t.pupil = s.Text(1);
        t.teacher = s.Text(2);
        t.sessionStart = s.Text(3);
        t.time = s.Text(4);
        t.exerciseFile = s.Text(5);
        t.cardText = s.Text(6);
        t.kind = static_cast<int>(s.Int(7));
        t.mark = static_cast<int>(s.Int(8));
        t.sound = s.Text(9);
        t.soundMark = static_cast<int>(s.Int(10));
        t.score = s.Real(11);
        t.teacherMark = s.IsNull(12) ? -1 : static_cast<int>(s.Int(12));
        t.recording = s.Text(13);
        tries.push_back(std::move(t));
    }
    return tries;
}

int64_t vProgressStore_c::RemovePupil(const std::string& pupil) {
    Begin();
    try {
        Statement count(mDb, mPath, "SELECT count(*) FROM tries JOIN sessions s ON s.id = session WHERE s.pupil = ?");
        const int64_t tries = count.Bind(pupil).Step() ? count.Int(0) : 0;
        Statement s(mDb, mPath, "DELETE FROM sessions WHERE pupil = ?");
        s.Bind(pupil).Step();
        Commit();
        return tries;
    } catch (...) {
        Rollback();
        throw;
    }
}

}  // namespace progress

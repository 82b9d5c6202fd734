// The archive of saved files: which address was saved into which folder
// under which name and size, so a second run into the same folder can pass
// over what is already there; and the interrupted transfers a later run may
// resume. One SQLite database file, shared safely by copies of the program
// running at once (WAL journal, a busy time-out). A damaged file is set
// aside, never deleted; an archive that cannot be used makes every call a
// no-op, so downloading is never blocked by it. Plain code for one thread.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <initializer_list>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// One saved file. The folder is absolute and canonical; the name is the
// file's bytes relative to it.
struct TSavedEntry {
    QByteArray address;
    QString folder;
    QByteArray name;
    qint64 size = 0;
    QDateTime savedAt;  // UTC, to the millisecond
};

// One interrupted transfer: the part file in the folder holds the first
// bytesSoFar bytes of the answer that the validator (an ETag or a
// Last-Modified value, as sent) named; totalLength is -1 when unknown.
struct TPartialTransfer {
    QByteArray address;
    QString folder;
    QByteArray partName;
    QByteArray validator;
    qint64 totalLength = -1;
    qint64 bytesSoFar = 0;
    QDateTime updatedAt;  // UTC; set by RememberPartial
};

class TSavedArchive {
public:
    // How long a statement waits for another copy of the program to finish
    // its write before it fails.
    static constexpr int kBusyTimeoutMs = 5000;

    TSavedArchive() = default;
    ~TSavedArchive();
    TSavedArchive(const TSavedArchive &) = delete;
    TSavedArchive &operator=(const TSavedArchive &) = delete;

    // Opens the database file, creating it and its tables when new. A file
    // that is not an archive of this program, or is damaged or unreadable,
    // is renamed to "<name>.damaged-<UTC time>" (its -wal and -shm files
    // with it) and a fresh archive takes its place; SetAsideMessage then
    // says so. False, with LastProblem, when no archive can be used (the
    // folder cannot be written, the file stays locked): every call is then
    // a no-op. Closes an archive opened before.
    bool Open(const QString &path);
    void Close();
    bool IsUsable() const { return db_ != nullptr; }

    // The last failure in the archive's own terms (SQLite's or the file
    // system's, in English); empty when none.
    const QString &LastProblem() const { return problem_; }
    // Where the damaged file went; empty when nothing was set aside.
    const QString &SetAsideName() const { return setAsideName_; }
    // The log line for a file set aside at Open, in the interface
    // language; empty when nothing was set aside.
    QString SetAsideMessage(bool english) const;
    // The log line for an archive that cannot be used; empty when usable.
    QString UnusableMessage(bool english) const;

    // The entry of that address saved into that folder (any spelling of
    // the folder; it is made canonical), whether or not the file is still
    // there.
    std::optional<TSavedEntry> Find(const QByteArray &address, const QString &folder);
    // True when the address has an entry for that folder and the file it
    // names is still there as a regular file of the recorded size. A file
    // deleted or changed is not saved: it downloads again.
    bool AlreadySaved(const QByteArray &address, const QString &folder)
    {
        return StillSaved(address, folder).has_value();
    }
    // The entry, when AlreadySaved holds; none otherwise.
    std::optional<TSavedEntry> StillSaved(const QByteArray &address, const QString &folder);
    // Records (or replaces) the entry of the address in the folder, with
    // the present time. False when it could not be written.
    // sha256: the file's SHA-256, empty when not known (a NULL).
    bool Record(const QByteArray &address, const QString &folder, const QByteArray &name,
                qint64 size, const QByteArray &sha256 = {});
    // The name of a file recorded in the folder with this SHA-256 and size
    // that is still there as a regular file of that size; none otherwise.
    std::optional<QByteArray> SameContent(const QString &folder, const QByteArray &sha256, qint64 size);

    // The interrupted transfers, one per address and folder.
    bool RememberPartial(const TPartialTransfer &partial);
    std::optional<TPartialTransfer> FindPartial(const QByteArray &address, const QString &folder);
    bool ForgetPartial(const QByteArray &address, const QString &folder);

    // The folder as the archive keeps it: absolute and canonical (links
    // resolved) when it exists, else absolute and cleaned.
    static QString CanonicalFolder(const QString &folder);

private:
    enum class Verdict { Usable, Damaged, Unusable };
    Verdict TryOpen(const QString &path);
    struct TPragma {
        const char *sql;
        const char *expected;  // its answer; nullptr: any
    };
    Verdict Pragmas(std::initializer_list<TPragma> checks);
    Verdict CheckSchema();
    bool Prepare();
    bool SetAside(const QString &path);
    bool Failed(int rc, const char *what);
    bool Run(sqlite3_stmt *statement, const char *what);
    bool Exec(const char *sql, const char *what = nullptr);

    sqlite3 *db_ = nullptr;
    sqlite3_stmt *find_ = nullptr;
    sqlite3_stmt *record_ = nullptr;
    sqlite3_stmt *findPartial_ = nullptr;
    sqlite3_stmt *rememberPartial_ = nullptr;
    sqlite3_stmt *forgetPartial_ = nullptr;
    sqlite3_stmt *sameContent_ = nullptr;
    QString problem_;
    QString setAsideName_;
    // The device and inode the path named when it was opened, so a file
    // that another copy has meanwhile set aside and replaced is left alone.
    quint64 openedDevice_ = 0;
    quint64 openedInode_ = 0;
};

#include "core/download/saved_archive.h"

#include "core/download/file_naming.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "Grab" in the database header, so a database of another program is told
// apart from an archive; user_version is the layout of the tables.
constexpr int kApplicationId = 0x47726162;
constexpr int kSchemaVersion = 2;

constexpr const char *kCreateSchema =
    "CREATE TABLE saved ("
    " address BLOB NOT NULL, folder TEXT NOT NULL, name BLOB NOT NULL,"
    " size INTEGER NOT NULL, saved_at TEXT NOT NULL, sha256 BLOB,"
    " PRIMARY KEY (address, folder)) WITHOUT ROWID;"
    "CREATE TABLE partial ("
    " address BLOB NOT NULL, folder TEXT NOT NULL, part_name BLOB NOT NULL,"
    " validator BLOB NOT NULL, total_length INTEGER NOT NULL,"
    " bytes_so_far INTEGER NOT NULL, updated_at TEXT NOT NULL,"
    " PRIMARY KEY (address, folder)) WITHOUT ROWID;"
    "PRAGMA application_id = 1198678370;"
    "PRAGMA user_version = 2;";
static_assert(kApplicationId == 1198678370 && kSchemaVersion == 2,
              "the numbers in kCreateSchema");

// The first layout had no content hash: its rows keep none (NULL).
constexpr const char *kFromVersion1 =
    "ALTER TABLE saved ADD COLUMN sha256 BLOB;"
    "PRAGMA user_version = 2;";

// Resets a statement however the call that stepped it ends, so the next
// call finds it ready. The reset repeats the step's error, already handled.
class TResetGuard {
public:
    explicit TResetGuard(sqlite3_stmt *statement) : statement_(statement) {}
    ~TResetGuard()
    {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    TResetGuard(const TResetGuard &) = delete;
    TResetGuard &operator=(const TResetGuard &) = delete;

private:
    sqlite3_stmt *statement_;
};

// A non-null pointer even for empty bytes: a null one would bind NULL.
int BindBytes(sqlite3_stmt *statement, int index, const QByteArray &bytes)
{
    return sqlite3_bind_blob64(statement, index, bytes.isEmpty() ? "" : bytes.constData(),
                               sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
}

int BindText(sqlite3_stmt *statement, int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return sqlite3_bind_text64(statement, index, utf8.isEmpty() ? "" : utf8.constData(),
                               sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

QByteArray ColumnBytes(sqlite3_stmt *statement, int column)
{
    const void *data = sqlite3_column_blob(statement, column);
    return QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(statement, column));
}

QString ColumnText(sqlite3_stmt *statement, int column)
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(statement, column));
}

QString NowText()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

QDateTime TimeOf(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODateWithMs).toUTC();
}

// Failures that say the file itself is bad: not a database, damaged, or
// one this program may not read and write. A busy or full disk, a lack of
// memory or a failed read are not the file's fault and set nothing aside.
bool MeansDamage(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_SCHEMA:
    case SQLITE_ERROR:  // a statement of this program that the file's tables refuse
        return true;
    default:
        return false;
    }
}

bool IsBusy(int rc)
{
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
}

bool Identify(const QByteArray &path, quint64 &device, quint64 &inode)
{
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return false;
    device = quint64(info.st_dev);
    inode = quint64(info.st_ino);
    return true;
}

bool Exists(const QByteArray &path)
{
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0;
}

// Renames without replacing anything that is already there.
bool RenameNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: the check and the rename are apart.
    if (Exists(to)) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

}  // namespace

TSavedArchive::~TSavedArchive()
{
    Close();
}

void TSavedArchive::Close()
{
    for (sqlite3_stmt **statement : {&find_, &record_, &findPartial_, &rememberPartial_,
                                     &forgetPartial_, &sameContent_}) {
        sqlite3_finalize(*statement);  // repeats the last step's error only
        *statement = nullptr;
    }
    if (db_) {
        sqlite3_close_v2(db_);  // every statement is finalised: nothing keeps it open
        db_ = nullptr;
    }
}

bool TSavedArchive::Open(const QString &path)
{
    Close();
    problem_.clear();
    setAsideName_.clear();
    Verdict verdict = TryOpen(path);
    if (verdict == Verdict::Damaged) {
        Close();
        if (!Exists(QFile::encodeName(path)))
            verdict = Verdict::Unusable;  // nothing there to set aside: it cannot be made
        else if (SetAside(path))
            verdict = TryOpen(path);
        else
            verdict = Verdict::Unusable;
    }
    if (verdict != Verdict::Usable) {
        Close();
        return false;
    }
    return true;
}

TSavedArchive::Verdict TSavedArchive::TryOpen(const QString &path)
{
    const QByteArray file = QFile::encodeName(path);
    if (!Identify(file, openedDevice_, openedInode_))
        openedDevice_ = openedInode_ = 0;
    const int rc = sqlite3_open_v2(file.constData(), &db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        Failed(rc, "open");
        return MeansDamage(rc) ? Verdict::Damaged : Verdict::Unusable;
    }
    sqlite3_extended_result_codes(db_, 1);
    if (const int timeout = sqlite3_busy_timeout(db_, kBusyTimeoutMs); timeout != SQLITE_OK)
        return Failed(timeout, "busy time-out"), Verdict::Unusable;
    // The file is judged before anything is written to it, so a file set
    // aside is as it was; then it takes the WAL journal.
    Verdict verdict = Pragmas({{"PRAGMA quick_check(1)", "ok"}});
    if (verdict == Verdict::Usable)
        verdict = CheckSchema();
    if (verdict == Verdict::Usable)
        verdict = Pragmas({{"PRAGMA journal_mode = WAL", "wal"}, {"PRAGMA synchronous = NORMAL", nullptr}});
    if (verdict != Verdict::Usable)
        return verdict;
    return Prepare() ? Verdict::Usable : Verdict::Damaged;
}

// Runs pragmas, each answering one row that must read as expected: a quick
// check of the whole file, or the journal. Switching to the WAL journal
// can answer "locked" at once, without waiting, while another copy is
// opening the same file; such a pragma is tried again until the busy
// time-out has passed.
TSavedArchive::Verdict TSavedArchive::Pragmas(std::initializer_list<TPragma> checks)
{
    for (const auto &[sql, expected] : checks) {
        sqlite3_stmt *statement = nullptr;
        int rc = sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr);
        if (rc == SQLITE_OK) {
            QElapsedTimer waited;
            waited.start();
            while (IsBusy(rc = sqlite3_step(statement)) && waited.elapsed() < kBusyTimeoutMs) {
                sqlite3_reset(statement);
                ::usleep(5000);
            }
            if (rc == SQLITE_ROW && expected &&
                qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)), expected) != 0) {
                problem_ = QStringLiteral("%1 answered \"%2\"")
                               .arg(QLatin1StringView(sql),
                                    ColumnText(statement, 0));
                sqlite3_finalize(statement);
                return Verdict::Damaged;
            }
        }
        sqlite3_finalize(statement);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            Failed(rc, sql);
            return MeansDamage(rc) ? Verdict::Damaged : Verdict::Unusable;
        }
    }
    return Verdict::Usable;
}

// Creates the tables in a new, empty file; accepts a file that holds this
// program's tables in this layout; anything else is not an archive. Under
// a write lock, so two copies starting at once create the tables once.
TSavedArchive::Verdict TSavedArchive::CheckSchema()
{
    if (!Exec("BEGIN IMMEDIATE"))
        return MeansDamage(sqlite3_errcode(db_)) ? Verdict::Damaged : Verdict::Unusable;
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare_v2(db_,
                                "SELECT (SELECT application_id FROM pragma_application_id),"
                                " (SELECT user_version FROM pragma_user_version),"
                                " (SELECT count(*) FROM sqlite_schema)",
                                -1, &statement, nullptr);
    qint64 id = 0, version = 0, objects = 0;
    if (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        id = sqlite3_column_int64(statement, 0);
        version = sqlite3_column_int64(statement, 1);
        objects = sqlite3_column_int64(statement, 2);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    Verdict verdict = Verdict::Usable;
    if (rc != SQLITE_OK) {
        Failed(rc, "reading the layout");
        verdict = MeansDamage(rc) ? Verdict::Damaged : Verdict::Unusable;
    } else if (id == 0 && version == 0 && objects == 0) {
        if (!Exec(kCreateSchema, "creating the tables"))
            verdict = MeansDamage(sqlite3_errcode(db_)) ? Verdict::Damaged : Verdict::Unusable;
    } else if (id == kApplicationId && version == 1) {
        if (!Exec(kFromVersion1, "adding the content hash"))
            verdict = MeansDamage(sqlite3_errcode(db_)) ? Verdict::Damaged : Verdict::Unusable;
    } else if (id != kApplicationId || version != kSchemaVersion) {
        problem_ = QStringLiteral("not an archive of saved files of this layout"
                                  " (application %1, version %2)")
                       .arg(id)
                       .arg(version);
        verdict = Verdict::Damaged;
    }
    if (verdict == Verdict::Usable)
        return Exec("COMMIT") ? verdict : Verdict::Unusable;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);  // gives up the lock; nothing was written
    return verdict;
}

bool TSavedArchive::Prepare()
{
    const std::pair<sqlite3_stmt **, const char *> statements[] = {
        {&find_, "SELECT name, size, saved_at FROM saved WHERE address = ?1 AND folder = ?2"},
        {&record_, "INSERT OR REPLACE INTO saved (address, folder, name, size, saved_at, sha256)"
                   " VALUES (?1, ?2, ?3, ?4, ?5, ?6)"},
        {&sameContent_, "SELECT name FROM saved WHERE folder = ?1 AND sha256 = ?2 AND size = ?3"},
        {&findPartial_, "SELECT part_name, validator, total_length, bytes_so_far, updated_at"
                        " FROM partial WHERE address = ?1 AND folder = ?2"},
        {&rememberPartial_, "INSERT OR REPLACE INTO partial (address, folder, part_name,"
                            " validator, total_length, bytes_so_far, updated_at)"
                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)"},
        {&forgetPartial_, "DELETE FROM partial WHERE address = ?1 AND folder = ?2"},
    };
    for (const auto &[statement, sql] : statements) {
        const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr);
        if (rc != SQLITE_OK)
            return Failed(rc, "preparing the statements");
    }
    return true;
}

bool TSavedArchive::SetAside(const QString &path)
{
    const QByteArray file = QFile::encodeName(path);
    quint64 device = 0, inode = 0;
    if (Identify(file, device, inode) && (device != openedDevice_ || inode != openedInode_))
        return true;  // another copy has set it aside already and made a new one
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmsszzz'Z'"));
    QString target = path + QStringLiteral(".damaged-") + stamp;
    for (int n = 1; Exists(QFile::encodeName(target)); ++n)
        target = path + QStringLiteral(".damaged-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!RenameNoReplace(file, QFile::encodeName(target))) {
        problem_ = QStringLiteral("%1; it could not be set aside: %2")
                       .arg(problem_, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    setAsideName_ = target;
    // Its journals go with it: left behind, they would be read into the new file.
    for (const char *suffix : {"-wal", "-shm", "-journal"}) {
        const QByteArray from = file + suffix;
        if (Exists(from) && !RenameNoReplace(from, QFile::encodeName(target) + suffix)) {
            problem_ = QStringLiteral("%1; its %2 could not be set aside: %3")
                           .arg(problem_, QLatin1StringView(suffix),
                                QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
    }
    return true;
}

bool TSavedArchive::Failed(int rc, const char *what)
{
    const char *message = db_ && sqlite3_errcode(db_) == rc ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    problem_ = QStringLiteral("%1: %2").arg(QLatin1StringView(what), QString::fromUtf8(message));
    return false;
}

// Steps a statement that returns no rows.
bool TSavedArchive::Run(sqlite3_stmt *statement, const char *what)
{
    const int rc = sqlite3_step(statement);
    return rc == SQLITE_DONE || Failed(rc, what);
}

bool TSavedArchive::Exec(const char *sql, const char *what)
{
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK || Failed(rc, what ? what : sql);
}

QString TSavedArchive::CanonicalFolder(const QString &folder)
{
    const QFileInfo info(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QString TSavedArchive::SetAsideMessage(bool english) const
{
    if (setAsideName_.isEmpty())
        return {};
    return (english ? QStringLiteral("The archive of saved files was damaged; it is set aside as"
                                     " %1 and a new one is started, so files saved before are"
                                     " downloaded again.")
                    : QStringLiteral(u"Arhiv shranjenih datotek je bil poškodovan; odložen je kot"
                                     u" %1 in začet je nov, zato se prej shranjene datoteke"
                                     u" prenesejo znova."))
        .arg(QDir::toNativeSeparators(setAsideName_));
}

QString TSavedArchive::UnusableMessage(bool english) const
{
    if (IsUsable())
        return {};
    return (english ? QStringLiteral("The archive of saved files cannot be used (%1); every file"
                                     " is downloaded.")
                    : QStringLiteral(u"Arhiva shranjenih datotek ni mogoče uporabiti (%1); prenesejo"
                                     u" se vse datoteke."))
        .arg(problem_);
}

std::optional<TSavedEntry> TSavedArchive::Find(const QByteArray &address, const QString &folder)
{
    if (!db_)
        return std::nullopt;
    const TResetGuard reset(find_);
    const QString canonical = CanonicalFolder(folder);
    int rc = BindBytes(find_, 1, address);
    if (rc == SQLITE_OK)
        rc = BindText(find_, 2, canonical);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(find_);
    if (rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE)
            Failed(rc, "finding a saved file");
        return std::nullopt;
    }
    return TSavedEntry{address, canonical, ColumnBytes(find_, 0), sqlite3_column_int64(find_, 1),
                       TimeOf(ColumnText(find_, 2))};
}

std::optional<TSavedEntry> TSavedArchive::StillSaved(const QByteArray &address, const QString &folder)
{
    std::optional<TSavedEntry> entry = Find(address, folder);
    if (!entry || entry->name.isEmpty()
        || RegularFileSize(QFile::encodeName(entry->folder) + '/' + entry->name) != entry->size)
        return std::nullopt;
    return entry;
}

std::optional<QByteArray> TSavedArchive::SameContent(const QString &folder, const QByteArray &sha256, qint64 size)
{
    if (!db_ || sha256.isEmpty())
        return std::nullopt;
    const TResetGuard reset(sameContent_);
    const QString canonical = CanonicalFolder(folder);
    int rc = BindText(sameContent_, 1, canonical);
    if (rc == SQLITE_OK)
        rc = BindBytes(sameContent_, 2, sha256);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_int64(sameContent_, 3, size);
    while (rc == SQLITE_OK && (rc = sqlite3_step(sameContent_)) == SQLITE_ROW) {
        const QByteArray name = ColumnBytes(sameContent_, 0);
        if (!name.isEmpty() && RegularFileSize(QFile::encodeName(canonical) + '/' + name) == size)
            return name;
        rc = SQLITE_OK;
    }
    if (rc != SQLITE_DONE)
        Failed(rc, "finding a file of the same content");
    return std::nullopt;
}

bool TSavedArchive::Record(const QByteArray &address, const QString &folder,
                           const QByteArray &name, qint64 size, const QByteArray &sha256)
{
    if (!db_)
        return false;
    const TResetGuard reset(record_);
    int rc = BindBytes(record_, 1, address);
    if (rc == SQLITE_OK)
        rc = BindText(record_, 2, CanonicalFolder(folder));
    if (rc == SQLITE_OK)
        rc = BindBytes(record_, 3, name);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_int64(record_, 4, size);
    if (rc == SQLITE_OK)
        rc = BindText(record_, 5, NowText());
    if (rc == SQLITE_OK)
        rc = sha256.isEmpty() ? sqlite3_bind_null(record_, 6) : BindBytes(record_, 6, sha256);
    return rc == SQLITE_OK ? Run(record_, "recording a saved file") : Failed(rc, "recording a saved file");
}

bool TSavedArchive::RememberPartial(const TPartialTransfer &partial)
{
    if (!db_)
        return false;
    const TResetGuard reset(rememberPartial_);
    int rc = BindBytes(rememberPartial_, 1, partial.address);
    if (rc == SQLITE_OK)
        rc = BindText(rememberPartial_, 2, CanonicalFolder(partial.folder));
    if (rc == SQLITE_OK)
        rc = BindBytes(rememberPartial_, 3, partial.partName);
    if (rc == SQLITE_OK)
        rc = BindBytes(rememberPartial_, 4, partial.validator);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_int64(rememberPartial_, 5, partial.totalLength);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_int64(rememberPartial_, 6, partial.bytesSoFar);
    if (rc == SQLITE_OK)
        rc = BindText(rememberPartial_, 7, NowText());
    const char *what = "remembering an interrupted transfer";
    return rc == SQLITE_OK ? Run(rememberPartial_, what) : Failed(rc, what);
}

std::optional<TPartialTransfer> TSavedArchive::FindPartial(const QByteArray &address,
                                                           const QString &folder)
{
    if (!db_)
        return std::nullopt;
    const TResetGuard reset(findPartial_);
    const QString canonical = CanonicalFolder(folder);
    int rc = BindBytes(findPartial_, 1, address);
    if (rc == SQLITE_OK)
        rc = BindText(findPartial_, 2, canonical);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(findPartial_);
    if (rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE)
            Failed(rc, "finding an interrupted transfer");
        return std::nullopt;
    }
    return TPartialTransfer{address,
                            canonical,
                            ColumnBytes(findPartial_, 0),
                            ColumnBytes(findPartial_, 1),
                            sqlite3_column_int64(findPartial_, 2),
                            sqlite3_column_int64(findPartial_, 3),
                            TimeOf(ColumnText(findPartial_, 4))};
}

bool TSavedArchive::ForgetPartial(const QByteArray &address, const QString &folder)
{
    if (!db_)
        return false;
    const TResetGuard reset(forgetPartial_);
    int rc = BindBytes(forgetPartial_, 1, address);
    if (rc == SQLITE_OK)
        rc = BindText(forgetPartial_, 2, CanonicalFolder(folder));
    const char *what = "forgetting an interrupted transfer";
    return rc == SQLITE_OK ? Run(forgetPartial_, what) : Failed(rc, what);
}

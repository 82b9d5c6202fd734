// The setting "skipsaved": the archive of saved files, opened for a batch,
// asked before each file whether its address was saved into this folder
// already, and told of each file saved.
#include "core/download/batch_runner.h"
#include "core/download/file_naming.h"
#include "core/download/saved_archive.h"
#include "core/program_folder.h"
#include "core/shared_state.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

// Opens the archive for a batch when the setting is on; what went wrong
// with it is said in the log, and the batch goes on without it.
void TBatchRunner::OpenSavedArchive()
{
    if (!request_.settings.skipSaved)
        return;
    if (!archive_)
        archive_ = std::make_unique<TSavedArchive>();
    if (archive_->IsUsable())
        return;
    archive_->Open(ProgramFile(QStringLiteral("saved.sqlite")));
    const bool english = request_.english;
    if (!archive_->SetAsideMessage(english).isEmpty())
        Log(archive_->SetAsideMessage(english));
    if (!archive_->IsUsable())
        Log(archive_->UnusableMessage(english));
}

bool TBatchRunner::ArchiveInUse() const
{
    return request_.settings.skipSaved && archive_ && archive_->IsUsable();
}

// True, with a log line, when the setting is on and the address was saved
// into the current folder under a name that still holds that file.
bool TBatchRunner::SkipIfAlreadySaved(const QByteArray &address)
{
    if (!ArchiveInUse())
        return false;
    const auto entry = archive_->StillSaved(address, QDir::currentPath());
    if (!entry)
        return false;
    Log(Say("Že shranjeno kot %1, preskočeno: %2", "Already saved as %1, skipped: %2")
            .arg(QString::fromUtf8(entry->name), QString::fromUtf8(address)));
    ++tally.skipped;
    return true;
}

// The part's SHA-256, into sha256; true, with a log line, when a file of
// the same content is still saved in this folder (the part then goes and
// the file counts as skipped).
bool TBatchRunner::SameContentSaved(const TBatchFile &file, const QByteArray &part, qint64 size, QByteArray &sha256)
{
    if (!ArchiveInUse())
        return false;
    QFile body(QFile::decodeName(part));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!body.open(QIODevice::ReadOnly) || !hash.addData(&body))
        return false;
    sha256 = hash.result();
    const std::optional<QByteArray> same = archive_->SameContent(QDir::currentPath(), sha256, size);
    if (!same)
        return false;
    Log(Say("Ista slika kot %1: %2", "Same picture as %1: %2")
            .arg(QString::fromUtf8(*same), QString::fromUtf8(file.name)));
    ++tally.skipped;
    return true;
}

// Tells the archive of a file saved under its final name, unless the
// empty-file or size rules have deleted it meanwhile.
void TBatchRunner::RecordSaved(const TBatchFile &file, const QByteArray &sha256)
{
    if (!ArchiveInUse())
        return;
    const qint64 size = RegularFileSize(file.name);
    if (size < 0)
        return;
    if (!archive_->Record(file.address, QDir::currentPath(), file.name, size, sha256))
        Log(Say("Arhiv shranjenih datotek ni zapisal %1: %2", "The archive of saved files did not record %1: %2")
                .arg(QString::fromUtf8(file.name), archive_->LastProblem()));
}

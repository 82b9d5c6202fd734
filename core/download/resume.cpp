// Continuing interrupted files (with "skipsaved" on): an attempt that did
// not end with the file saved keeps its part file, and the archive of saved
// files remembers it with the validator of the answer; the next attempt,
// in this run or a later one, asks for the rest. A server that answers with
// the whole file instead, or a file that has changed, starts it over.
#include "core/download/batch_runner.h"
#include "core/download/file_naming.h"
#include "core/download/part_file.h"
#include "core/download/saved_archive.h"

#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// A file with exactly one name: appending to it changes no other file.
bool HasOneLink(const QByteArray &name)
{
    struct stat info {};
    return ::lstat(name.constData(), &info) == 0 && info.st_nlink == 1;
}
}  // namespace

// The part file for the next attempt at the file: the one an interrupted
// transfer of the address into this folder left, while it is still there
// and the archive knows what answer gave it; else a new one.
std::unique_ptr<TPartFile> TBatchRunner::PartFileFor(TBatchFile &file, TResumePoint &resume)
{
    file.resumedFrom = -1;
    resume = {};
    if (!ArchiveInUse())
        return std::make_unique<TPartFile>();
    const auto partial = archive_->FindPartial(file.address, QDir::currentPath());
    if (!partial)
        return std::make_unique<TPartFile>();
    const qint64 size = TPartFile::IsPartName(partial->partName) && !TPartFile::InUse(partial->partName)
                            ? RegularFileSize(partial->partName)
                            : -1;
    if (size > 0 && !HasOneLink(partial->partName)) {
        // Another name for the same file (a hard link planted in the
        // folder): appending would write to that file too. Only our name goes.
        Log(Say("Delna datoteka %1 ima več imen - prenos %2 začenjam znova",
                    "The part file %1 has more than one name - starting %2 over")
                .arg(QString::fromUtf8(partial->partName), QString::fromUtf8(file.name)));
        ::unlink(partial->partName.constData());
        archive_->ForgetPartial(file.address, QDir::currentPath());
        return std::make_unique<TPartFile>();
    }
    if (size <= 0 || !IsResumeValidator(partial->validator)
        || (partial->totalLength >= 0 && size >= partial->totalLength)) {
        archive_->ForgetPartial(file.address, QDir::currentPath());
        return std::make_unique<TPartFile>();
    }
    resume = {size, partial->validator, partial->totalLength};
    file.resumedFrom = size;
    Log(Say("Nadaljujem prenos %1 od bajta %2", "Continuing %1 from byte %2")
            .arg(QString::fromUtf8(file.name))
            .arg(size));
    return std::make_unique<TPartFile>(partial->partName);
}

// After an attempt that did not save the file: a part that a later attempt
// can continue (bytes of a 2xx answer that named its validator) is kept and
// remembered; any other is forgotten and goes with its TPartFile.
void TBatchRunner::KeepForResume(const TBatchFile &file, TPartFile &part, const TTransferResult &result,
                            Step step)
{
    if (!ArchiveInUse())
        return;
    const QString folder = QDir::currentPath();
    const qint64 size = RegularFileSize(part.Name());
    QByteArray validator = result.ResumeValidator();
    if (validator.isEmpty() && result.Resumed)
        validator = archive_->FindPartial(file.address, folder).value_or(TPartialTransfer{}).validator;
    const bool resumable = (step == Step::Retry || step == Step::Ended)
                           && result.ReplyNumber >= 200 && result.ReplyNumber <= 299 && size > 0
                           && IsResumeValidator(validator);
    if (!resumable) {
        if (file.resumedFrom > 0)  // else the archive holds no part of it
            archive_->ForgetPartial(file.address, folder);
        return;
    }
    const qint64 total = result.Resumed ? result.CompleteLength : result.ContentLength;
    part.Keep();
    archive_->RememberPartial({file.address, folder, part.Name(), validator, total, size, {}});
}

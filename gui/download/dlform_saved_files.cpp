// The setting "skipsaved": the archive of saved files, opened for a batch,
// asked before each file whether its address was saved into this folder
// already, and told of each file saved.
#include "gui/dlform.h"
#include "gui/platform.h"
#include "core/shared_state.h"
#include "core/download/batch_file.h"
#include "core/download/batch_progress.h"
#include "core/download/file_naming.h"
#include "core/download/saved_archive.h"

#include <QCheckBox>
#include <QDir>

// Opens the archive for a batch when the setting is on; what went wrong
// with it is said in the log, and the batch goes on without it.
void TDLForm::OpenSavedArchive()
{
    if (!CheckBox8->isChecked())
        return;
    if (!Archive)
        Archive = std::make_unique<TSavedArchive>();
    if (Archive->IsUsable())
        return;
    Archive->Open(ProgramFile(QStringLiteral("saved.sqlite")));
    const bool english = EnglishUI == 1;
    if (!Archive->SetAsideMessage(english).isEmpty())
        Log(Archive->SetAsideMessage(english));
    if (!Archive->IsUsable())
        Log(Archive->UnusableMessage(english));
}

bool TDLForm::ArchiveInUse() const
{
    return CheckBox8->isChecked() && Archive && Archive->IsUsable();
}

// True, with a log line, when the setting is on and the address was saved
// into the current folder under a name that still holds that file.
bool TDLForm::SkipIfAlreadySaved(const QByteArray &address)
{
    if (!ArchiveInUse())
        return false;
    const auto entry = Archive->StillSaved(address, QDir::currentPath());
    if (!entry)
        return false;
    Log(Wording("Že shranjeno kot %1, preskočeno: %2", "Already saved as %1, skipped: %2")
            .arg(QString::fromUtf8(entry->name), QString::fromUtf8(address)));
    ++Tally.skipped;
    return true;
}

// Tells the archive of a file saved under its final name, unless the
// empty-file or size rules have deleted it meanwhile.
void TDLForm::RecordSaved(const TBatchFile &file)
{
    if (!ArchiveInUse())
        return;
    const qint64 size = RegularFileSize(file.name);
    if (size < 0)
        return;
    if (!Archive->Record(file.address, QDir::currentPath(), file.name, size))
        Log(Wording("Arhiv shranjenih datotek ni zapisal %1: %2", "The archive of saved files did not record %1: %2")
                .arg(QString::fromUtf8(file.name), Archive->LastProblem()));
}

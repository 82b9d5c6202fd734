#include "core/download/error_log.h"

#include "core/lists/list_file_format.h"
#include "core/program_folder.h"

void TErrorLog::Add(const QByteArray &address)
{
    entries.append(address);
    Save(1);
}

void TErrorLog::Save(qsizetype added)
{
    const QString path = ProgramFile(QStringLiteral("error.log"));
    if (added > 0 && mark.lines == entries.size() - added) {
        mark = AppendLineFile(path, TextListLines(entries.mid(entries.size() - added)), mark);
        if (mark.size >= 0)
            return;
    }
    mark = {};
    WriteLineFile(path, TextListLines(entries));
    mark = LineFileMarkOf(path, entries.size());
}

// The address history file "dl.ini".
#include "core/scan/address_history.h"

#include "base/line_file.h"
#include "base/text_lines.h"
#include "core/program_folder.h"
#include "core/scan/address_helpers.h"

#include <QFile>

QString AddressHistoryFile()
{
    return ProgramFile(QStringLiteral("dl.ini"));
}

QStringList ReadAddressHistory(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};  // no history yet, or unreadable: start with none
    QStringList entries;
    for (const QByteArray &line : SplitLines(in.readAll()))
        entries << QString::fromUtf8(line);
    return entries;
}

QStringList AddHistoryEntry(QStringList history, const QByteArray &prefix, const QString &typed)
{
    const QString entry = HistoryEntry(prefix, typed);
    history.removeAll(entry);
    history.prepend(entry);
    return history;
}

void WriteAddressHistory(const QString &file, const QStringList &history)
{
    QList<QByteArray> lines;
    lines.reserve(history.size());
    for (const QString &entry : history)
        lines << entry.toUtf8();
    WriteLineFile(file, lines);
}

void RecordAddressInHistory(const QByteArray &prefix, const QString &typed)
{
    const QString file = AddressHistoryFile();
    WriteAddressHistory(file, AddHistoryEntry(ReadAddressHistory(file), prefix, typed));
}

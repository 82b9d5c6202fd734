#include "core/console_output.h"

#include "base/printable_text.h"

#include <QByteArray>
#include <QStringList>

#include <cstdio>

QString WriteLogLine(const QString &text)
{
    const QString line = PrintableLogLine(text);
    const QByteArray utf8 = line.toUtf8() + '\n';
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout);
    std::fflush(stdout);
    return line;
}

void WriteMessage(const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QByteArray out;
    for (const QString &line : lines.split(u'\n'))
        out += PrintableLogLine(line).toUtf8() + '\n';
    std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
    std::fflush(stderr);
}

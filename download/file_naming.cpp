#include "download/file_naming.h"

#include <sys/stat.h>

namespace {
bool Forbidden(unsigned char c)
{
    switch (c) {
    case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return true;
    default:
        return c < 0x20 || c == 0x7f;
    }
}
}  // namespace

bool PreveriCudneZnake(const QByteArray &name)
{
    for (const char c : name) {
        if (Forbidden(static_cast<unsigned char>(c)))
            return true;
    }
    return false;
}

QByteArray ZamenjajCudneZnake(const QByteArray &name)
{
    QByteArray clean = name;
    for (char &c : clean) {
        if (Forbidden(static_cast<unsigned char>(c)))
            c = '_';
    }
    return clean;
}

bool PreveriObstojDatoteke(const QByteArray &name)
{
    if (name.isEmpty() || name.contains('\0'))
        return false;
    struct stat entry {};
    if (::lstat(name.constData(), &entry) != 0)
        return false;
    return !S_ISDIR(entry.st_mode);
}

QByteArray NumberedName(const QByteArray &name, qint64 n)
{
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray base = dot < 0 ? name : name.left(dot);
    const QByteArray extension = dot < 0 ? QByteArray() : name.mid(dot);
    return base + QByteArray::number(n).rightJustified(4, '0') + extension;
}

QByteArray ZamenjajImeDatoteke(const QByteArray &name)
{
    return ZamenjajImeDatoteke(name, {});
}

QByteArray ZamenjajImeDatoteke(const QByteArray &name, const QSet<QByteArray> &reserved)
{
    for (qint64 n = 1;; ++n) {
        const QByteArray candidate = NumberedName(name, n);
        if (!PreveriObstojDatoteke(candidate) && !reserved.contains(candidate))
            return candidate;
    }
}

QByteArray NameWithoutQuery(const QByteArray &name)
{
    qsizetype end = 0;
    while (end < name.size() && name[end] != '?' && name[end] != '#')
        ++end;
    return end == 0 ? name : name.first(end);
}

qint64 RegularFileSize(const QByteArray &name)
{
    struct stat info {};
    return ::lstat(name.constData(), &info) == 0 && S_ISREG(info.st_mode) ? qint64(info.st_size) : -1;
}

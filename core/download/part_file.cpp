#include "core/download/part_file.h"

#include <QRandomGenerator>
#include <QByteArrayView>
#include <QSet>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// The names of the part files of this process: files in transfer side by
// side must never be given the same one before either exists.
QSet<QByteArray> &NamesInUse()
{
    static QSet<QByteArray> names;
    return names;
}

QByteArray FreePartName()
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (;;) {
        QByteArray name = ".grabulo-";
        for (int i = 0; i < 6; ++i)
            name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        name += ".part";
        // A name nothing answers to; a folder that cannot be searched
        // answers nothing at all, and the creation then says why.
        struct stat info {};
        if (!NamesInUse().contains(name) && ::lstat(name.constData(), &info) != 0)
            return name;
    }
}
}  // namespace

TPartFile::TPartFile() : name_(FreePartName())
{
    NamesInUse().insert(name_);
}

TPartFile::TPartFile(const QByteArray &existing) : name_(existing)
{
    NamesInUse().insert(name_);
}

bool TPartFile::IsPartName(const QByteArray &name)
{
    static constexpr QByteArrayView kPrefix = ".grabulo-", kSuffix = ".part";
    if (name.size() <= kPrefix.size() + kSuffix.size() || !name.startsWith(kPrefix) || !name.endsWith(kSuffix))
        return false;
    const QByteArray middle = name.mid(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    return std::all_of(middle.begin(), middle.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

bool TPartFile::InUse(const QByteArray &name)
{
    return NamesInUse().contains(name);
}

TPartFile::~TPartFile()
{
    NamesInUse().remove(name_);
    if (!kept_)
        ::unlink(name_.constData());
}

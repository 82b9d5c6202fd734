#include "download/part_file.h"

#include <QRandomGenerator>
#include <QSet>

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

TPartFile::~TPartFile()
{
    NamesInUse().remove(name_);
    if (!kept_)
        ::unlink(name_.constData());
}

// Takes an arbitrary link address and name prefix through the naming of a
// downloaded file as the window does it: the file part of the address
// split, its query cut off (modern scan) and its %XX escapes decoded, the
// prefix before it, the forbidden characters replaced, and a numbered
// variant when the name is taken. Input: one byte for the prefix length
// (its low five bits) and whether the query is cut off (0x20), the prefix,
// the address. Checks that decoding never makes "." or ".." of a name that
// was not one already, and that the name never leaves the
// save folder: no "/", no control byte, and a name that stands for no file
// there ("", "." or "..", as from "http://host/dir/") cannot be created: the
// download refuses it. Each name is tried in a temporary save folder
// holding a few files, a folder and a link: the chosen name is free, and a
// file created under it lies in that folder.
#include "core/download/file_naming.h"
#include "core/scan/address_helpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kMaxInput = 4096;

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

bool NamesNoFile(const QByteArray &name)
{
    return name.isEmpty() || name == "." || name == "..";
}

void CheckStaysInFolder(const QByteArray &name)
{
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        Check(byte != '/' && byte >= 0x20 && byte != 0x7f);
    }
}

// The save folder: a few taken names, a folder and a dangling link.
int SaveFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/file_naming_fuzzer-XXXXXX"));
    static const int fd = [] {
        const QByteArray path = QFile::encodeName(folder.path());
        const int dir = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (const char *name : {"pic.jpg", "pic0001.jpg", "index.html", "_", "a"}) {
            const int file = ::openat(dir, name, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
            if (file >= 0)
                ::close(file);
        }
        ::mkdirat(dir, "sub", 0700);
        ::symlinkat("/nonexistent/target", dir, "link.jpg");
        return dir;
    }();
    return fd;
}

// Runs the naming in the save folder (the naming works on the current
// folder, as the download does) and checks the name chosen there.
void NameInFolder(const QByteArray &clean)
{
    static const int home = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int folder = SaveFolder();
    Check(folder >= 0 && home >= 0 && ::fchdir(folder) == 0);
    const QByteArray name = PreveriObstojDatoteke(clean) ? ZamenjajImeDatoteke(clean) : clean;
    CheckStaysInFolder(name);
    Check(!PreveriObstojDatoteke(name));
    if (NamesNoFile(name)) {
        Check(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600) < 0);
        Check(::fchdir(home) == 0);
        return;
    }
    const int file = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file >= 0) {
        struct stat created {}, listed {};
        Check(::fstat(file, &created) == 0);
        Check(::fstatat(folder, name.constData(), &listed, AT_SYMLINK_NOFOLLOW) == 0);
        Check(created.st_ino == listed.st_ino && created.st_dev == listed.st_dev);
        ::close(file);
        Check(::unlinkat(folder, name.constData(), 0) == 0);
    } else {
        // Too long for the file system, or a name of a folder in it: the
        // download fails, but nothing is written anywhere else.
        Check(errno == ENAMETOOLONG || errno == EISDIR || errno == EEXIST);
    }
    Check(::fchdir(home) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > kMaxInput)
        return 0;
    const size_t prefixSize = std::min<size_t>(data[0] % 32, size - 1);
    const QByteArray prefix(reinterpret_cast<const char *>(data + 1), qsizetype(prefixSize));
    const QByteArray address(reinterpret_cast<const char *>(data + 1 + prefixSize),
                             qsizetype(size - 1 - prefixSize));

    const AddressParts parts = SplitAddress(address);
    Check(!parts.file.contains('/'));
    const bool withoutQuery = data[0] & 0x20;
    const QByteArray decoded = SavedFileName(parts.file, withoutQuery);
    const QByteArray cut = withoutQuery ? NameWithoutQuery(parts.file) : parts.file;
    Check(!NamesNoFile(decoded) || decoded == cut);
    Check(!ZamenjajCudneZnake(decoded).contains('/'));
    Check(decoded.size() <= cut.size());
    const QByteArray name = prefix + decoded;
    const QByteArray clean = PreveriCudneZnake(name) ? ZamenjajCudneZnake(name) : name;
    CheckStaysInFolder(clean);
    Check(!PreveriCudneZnake(clean));
    NameInFolder(clean);
    return 0;
}

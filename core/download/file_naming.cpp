#include "core/download/file_naming.h"

#include <sys/stat.h>

#include <vector>

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
int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsContinuation(unsigned char c, unsigned char low = 0x80, unsigned char high = 0xBF)
{
    return c >= low && c <= high;
}

// The length of the valid UTF-8 sequence at bytes[i]; 0 when it is not one.
qsizetype Utf8SequenceAt(const QByteArray &bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    const qsizetype left = bytes.size() - i;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return left >= 2 && IsContinuation(at(i + 1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        // No overlong forms (E0 needs A0..BF) and no surrogates (ED needs 80..9F).
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return left >= 3 && IsContinuation(at(i + 1), low, high) && IsContinuation(at(i + 2)) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return left >= 4 && IsContinuation(at(i + 1), low, high) && IsContinuation(at(i + 2))
                       && IsContinuation(at(i + 3))
                   ? 4
                   : 0;
    }
    return 0;
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

QByteArray DecodePercentEscapes(const QByteArray &name)
{
    if (!name.contains('%'))
        return name;
    // The decoded bytes, and where each escaped one was written (-1 for a
    // byte taken as it stands).
    QByteArray bytes;
    std::vector<qsizetype> escapeAt;
    bytes.reserve(name.size());
    escapeAt.reserve(size_t(name.size()));
    for (qsizetype i = 0; i < name.size(); ++i) {
        const int high = name[i] == '%' && i + 2 < name.size() ? HexValue(name[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(name[i + 2]) : -1;
        if (low < 0) {
            bytes += name[i];
            escapeAt.push_back(-1);
            continue;
        }
        bytes += char(high * 16 + low);
        escapeAt.push_back(i);
        i += 2;
    }
    QByteArray decoded;
    decoded.reserve(name.size());
    for (qsizetype i = 0; i < bytes.size();) {
        if (const qsizetype length = Utf8SequenceAt(bytes, i); length > 0) {
            decoded += bytes.mid(i, length);
            i += length;
            continue;
        }
        const qsizetype from = escapeAt[size_t(i)];
        decoded += from >= 0 ? name.mid(from, 3) : bytes.mid(i, 1);
        ++i;
    }
    return decoded == "." || decoded == ".." ? name : decoded;
}

QByteArray SavedFileName(const QByteArray &segment, bool withoutQuery)
{
    return DecodePercentEscapes(withoutQuery ? NameWithoutQuery(segment) : segment);
}

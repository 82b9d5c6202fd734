#include "scan/address_helpers.h"

AddressParts SplitAddress(const QByteArray &address)
{
    QByteArray a = address;
    if (!a.contains('/'))
        a.append('/');
    const qsizetype first = a.indexOf('/');
    const qsizetype last = a.lastIndexOf('/');
    AddressParts parts;
    parts.host = a.left(first);
    parts.file = a.mid(last + 1);
    parts.path = a.mid(first + 1, last - first);
    QByteArray piece;
    for (const char c : parts.path) {
        if (c == '/') {
            parts.folders.append(piece);
            piece.clear();
        } else {
            piece.append(c);
        }
    }
    return parts;
}

QByteArray OdvzemiImenik(const QByteArray &path)
{
    // The last character never counts as the separator.
    const qsizetype slash = path.size() >= 2 ? path.lastIndexOf('/', path.size() - 2) : -1;
    return slash > 0 ? path.left(slash) : QByteArray();
}

QByteArray OdvzemiHTTP(const QByteArray &address)
{
    if (address.size() >= 7 && address.left(4).compare("http", Qt::CaseInsensitive) == 0
        && address.mid(4, 3) == "://")
        return address.mid(7);
    return address;
}

QString OdvzemiHTTP(const QString &address)
{
    return QString::fromUtf8(OdvzemiHTTP(address.toUtf8()));
}

QByteArray DodajSlash(const QByteArray &address)
{
    if (address.size() < 4)
        return address;
    const QByteArray ending = address.right(4);
    for (const char *domain : {".com", ".net", ".org"}) {
        if (ending.compare(domain, Qt::CaseInsensitive) == 0)
            return address + '/';
    }
    return address;
}

QString DodajSlash(const QString &address)
{
    return QString::fromUtf8(DodajSlash(address.toUtf8()));
}

QByteArray SchemePrefixOf(QByteArrayView address)
{
    for (const char *prefix : {kHttpPrefix, kHttpsPrefix}) {
        const QByteArrayView wanted(prefix);
        if (address.size() >= wanted.size()
            && address.first(wanted.size()).compare(wanted, Qt::CaseInsensitive) == 0)
            return QByteArray(prefix);
    }
    return QByteArray();
}

SchemedAddress TakeScheme(const QString &text, const QByteArray &prefixInUse)
{
    const QByteArray prefix = SchemePrefixOf(text.toUtf8());
    if (prefix.isEmpty())
        return {prefixInUse, text};
    return {prefix, text.mid(prefix.size())};
}

QByteArray FullAddress(const QString &text, const QByteArray &prefixInUse)
{
    const SchemedAddress address = TakeScheme(text, prefixInUse);
    return address.prefix + address.rest.toUtf8();
}

QByteArray ListEntryPrefix(QByteArrayView entry)
{
    const QByteArray prefix = SchemePrefixOf(entry);
    return prefix.isEmpty() ? QByteArray(kHttpPrefix) : prefix;
}

QString HistoryEntry(const QByteArray &prefix, const QString &text)
{
    return prefix == kHttpsPrefix ? QString::fromLatin1(prefix) + text : text;
}

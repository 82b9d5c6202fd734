#include "core/scan/address_helpers.h"

#include <cctype>

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

namespace {
// "name:" at the start, as a scheme is written (RFC 3986 3.1), when what
// follows the colon is not a port number; its length with the colon, else 0.
qsizetype SchemeLength(QByteArrayView text)
{
    if (text.isEmpty() || !std::isalpha(static_cast<unsigned char>(text[0])))
        return 0;
    qsizetype i = 1;
    while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '+'
                               || text[i] == '-' || text[i] == '.'))
        ++i;
    if (i >= text.size() || text[i] != ':')
        return 0;
    const bool portFollows = i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1]));
    return portFollows ? 0 : i + 1;
}

bool AllDigits(QByteArrayView text)
{
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return !text.isEmpty();
}
}  // namespace

AddressCheck CheckPageAddress(QByteArrayView text)
{
    QByteArrayView rest = text.sliced(SchemePrefixOf(text).size());
    if (rest.size() == text.size()) {
        if (const qsizetype scheme = SchemeLength(rest))
            return {AddressFault::Scheme, rest.first(scheme).toByteArray()};
    }
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != '/' && rest[end] != '?' && rest[end] != '#')
        ++end;
    QByteArrayView authority = rest.first(end);
    authority = authority.sliced(authority.lastIndexOf('@') + 1);  // credentials are no part of the host
    if (authority.isEmpty())
        return {AddressFault::NoHost, {}};
    qsizetype colon = authority.indexOf(':');
    if (authority.startsWith('[')) {  // an IPv6 literal: its colons are no port's
        const qsizetype close = authority.indexOf(']');
        colon = close + 1 < authority.size() ? close + 1 : -1;
        if (close < 0 || (colon > 0 && authority[colon] != ':'))
            return {AddressFault::NoHost, {}};
    }
    if (colon == 0)
        return {AddressFault::NoHost, {}};
    if (colon > 0 && !AllDigits(authority.sliced(colon + 1)))
        return {AddressFault::Port, authority.sliced(colon + 1).toByteArray()};
    return {};
}

// Taking page addresses apart and putting them together. Addresses are kept
// without their scheme; they are bytes as typed or as found in a page. The
// scheme of an address box is held on its own, as its prefix "http://" or
// "https://" (always in lower case).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// An address split at its first and last "/".
struct AddressParts {
    QByteArray host;             // before the first "/"
    QByteArray path;             // between the first and the last "/", with the last one
    QByteArray file;             // after the last "/"
    QList<QByteArray> folders;   // the folder names of path, in order
};

// Splits an address; one without any "/" is taken as the host alone.
AddressParts SplitAddress(const QByteArray &address);

// The path without its last folder: "a/b/c/" and "a/b/c" give "a/b".
QByteArray OdvzemiImenik(const QByteArray &path);

// The address without a leading "http://" (letters of "http" in any case).
QByteArray OdvzemiHTTP(const QByteArray &address);
QString OdvzemiHTTP(const QString &address);

// The address with "/" appended when it ends in ".com", ".net" or ".org".
QByteArray DodajSlash(const QByteArray &address);
QString DodajSlash(const QString &address);

// The schemes a page may be asked for, as the prefixes the address labels show.
inline constexpr char kHttpPrefix[] = "http://";
inline constexpr char kHttpsPrefix[] = "https://";

// The prefix an address starts with, "http://" or "https://" in lower case
// whatever the case typed; empty for an address without either.
QByteArray SchemePrefixOf(QByteArrayView address);

// An address box's text split into its scheme prefix and the rest.
struct SchemedAddress {
    QByteArray prefix;   // "http://" or "https://"
    QString rest;        // the text without that prefix
};

// The text without its first "http://" or "https://" (any case), which gives
// the prefix; a text without either keeps the prefix in use.
SchemedAddress TakeScheme(const QString &text, const QByteArray &prefixInUse);

// The full address of an address box: the text's own scheme when it has
// one, else the prefix in use, before the rest.
QByteArray FullAddress(const QString &text, const QByteArray &prefixInUse);

// A list entry as an address to ask for: as it stands when it starts with
// "http://" or "https://", else an http address.
QByteArray ListEntryPrefix(QByteArrayView entry);

// The address box's history keeps https pages with their prefix; an entry
// without a scheme is an http page, as every entry of older histories is.
QString HistoryEntry(const QByteArray &prefix, const QString &text);

// What keeps an address box's text (with or without its http:// or https://)
// from being asked for; part is the offending piece.
enum class AddressFault {
    None,
    Scheme,  // another scheme or none at all: "htp:/host", "host:/x", "ftp://x"; part "htp:"
    NoHost,  // "http:///x", "http://[::1"
    Port,    // ":" followed by no port or by one that is not a number; part what follows
    Other,   // found by the client; part is its message
};
struct AddressCheck {
    AddressFault fault = AddressFault::None;
    QByteArray part;
};
// A port of digits that does not fit 16 bits is left to the client, which
// names the number.
AddressCheck CheckPageAddress(QByteArrayView text);

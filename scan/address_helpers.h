// Taking page addresses apart and putting them together. Addresses are kept
// without their scheme; they are bytes as typed or as found in a page.
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

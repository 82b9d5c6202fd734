// Splitting a request address into host, port and path, as the HTTP client
// does before every pass of a request.
#pragma once

#include <QByteArray>
#include <QtGlobal>

struct TUrlTarget {
    QByteArray Host;  // kept from before when the address names none
    qint32 Port = 0;  // kept from before when the address has no ":"
    QByteArray Path;
    bool Secure = false;  // "https"; kept from before when the address has no ":"
};

// The n-th field (from 1) of text split at separator; empty when missing.
QByteArray FieldOf(const QByteArray &text, char separator, int n);

// Splits url on top of the previous target. The scheme chooses the port
// ("https" 443 and Secure, "ftp" 21, "gopher" 70, anything else 80); an
// empty url raises "Empty URL"; one outside 1..65535 "Invalid port number
// N" (see CheckPortNumber). An address the client cannot read raises
// EAddressError (kUnusableAddress, address_errors.h) with the reason: a
// port that is not a number, "htp:/host" or "host:/x" (neither "//" nor a
// port after the ":"), a user name or password, "[", "http://" without a
// host. An address without a path gets the path "/" and a "/" appended to
// url.
void SplitUrl(QByteArray &url, TUrlTarget &target);

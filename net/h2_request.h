// A request's header block as the fields of an HTTP/2 HEADERS frame
// (RFC 9113 8.3.1): the pseudo-fields first, then the other fields with
// their names in lower case.
#pragma once

#include "net/header_lines.h"

#include <QByteArray>
#include <vector>

struct TH2Field {
    QByteArray Name, Value;
};

// The fields of the HTTP/1.1 request block (first line "GET /path
// HTTP/1.1", then "Name: value" lines, as THttpClient::BuildHeader makes
// it): :method, :scheme ("https" when secure, else "http"), :authority
// (the Host line's value, left out without one), :path (the target; the
// path of an absolute target), then the other lines in their order, names
// lower-cased, values without the blanks around them. The fields HTTP/2
// forbids (RFC 9113 8.2.2: Connection, Proxy-Connection, Keep-Alive,
// Transfer-Encoding, Upgrade, TE) and Host are dropped, as is a line
// without a colon.
std::vector<TH2Field> H2RequestFields(const THeaderLines &block, bool secure);

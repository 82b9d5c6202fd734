// The next page of a gallery or a listing split over several pages: the
// address a page names as the one that follows it, for the walk over next
// pages (page_walk.h). Looked for in this order, the first found wins:
//   1. <link rel="next" href="...">  (rel a list of words, any case)
//   2. <a rel="next" href="...">
//   3. <a href="..."> whose visible text is exactly "Next", "Naprej" (any
//      case), "›" or "»": the text of the element and of the tags inside it,
//      character references decoded, spaces collapsed and trimmed.
// The address is resolved against the page's <base href>, or the page's
// own address, with its "#..." part dropped. Only an http or https address
// on the same host and port as the page counts (the scheme may differ:
// "http://h/" and "https://h/" are one host, "h:8080" another).
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The next page of the page whose bytes these are, at pageAddress (a full
// "http://" or "https://" address, the one that answered); empty when it
// names none that counts.
QByteArray NextPageAddress(QByteArrayView page, const QByteArray &pageAddress);

// The host and port of a full address in lower case, the port left out
// when it is the scheme's own ("http://H:80/x" gives "h"); empty for an
// address that is not http or https.
QByteArray HostAndPortOf(QByteArrayView address);

// The address without its "#..." part: two addresses of one page compare
// equal.
QByteArray WithoutFragment(QByteArrayView address);

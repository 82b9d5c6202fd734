// The link scanner: pulls attribute values out of a page's bytes, keeps those
// whose ending names a wanted file type, resolves them against the page's
// address into full "http://" or "https://" addresses and removes repeated
// entries.
//
// It is not an HTML parser. The collection pass for links looks for the
// trigger "href", skips to the next "=", and takes what follows up to a
// quote, a space or ">"; the one for pictures reads the attributes of every
// img tag (ImgSources). Plain functions on bytes: the page
// load (page_loader.h) feeds them the page, its location, the type filter
// and the language, and hands the results on.
//
// Every function here is linear in its input and never yields to the event
// loop; a 20 MB page with 100,000 links takes well under a second (see
// bench/README.md). A caller that wants to stay responsive on larger input can
// run ObdelajPovezave over slices of the raw values (raw.mid(from, n)).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Which attribute values the collection pass takes.
enum class LinkAttribute {
    Href,     // the value after every "href", of any tag
    ImgSrc,   // the src of every img tag, wherever it stands among the tag's attributes
};

// The collection pass, in page order, values exactly as found (empty values
// and repeats included).
//
// Href: the raw value after each "href" (letters in either case) and the "="
// that follows it. A value starts after any quotes and spaces that follow the
// "=", and ends at ">" or at a quote or space; in the latter case the
// character after that quote or space is consumed as the value's closing
// ">". Tabs and line breaks belong to the value. A value that the page does
// not close (it runs to the end, or its closing quote is the last byte) is
// not taken.
//
// ImgSrc: the src of each img tag (ImgSources).
QList<QByteArray> CollectLinkValues(const QByteArray &page, LinkAttribute attribute);

// The src of every img tag, in page order. A tag is "<img" in any case
// followed by a space, tab, line break, form feed, "/" or ">", anywhere in
// the page (in comments and scripts too, as the href pass reads them); its
// attributes are read as a browser reads them: names in any case, values
// double-quoted, single-quoted or unquoted, spaces around "=", so only an
// attribute named src counts (never data-src, srcset or a "src=" inside
// another attribute's value), the first of repeated ones. The value as
// written (no character references decoded, tabs and line breaks kept),
// without the spaces around it and with each space inside written as
// "%20"; an src without a value gives an empty entry. A tag the page leaves
// unclosed at its end gives nothing.
QList<QByteArray> ImgSources(QByteArrayView page);

// The href of the page's first <base> tag that has one, read as ImgSources
// reads a tag; found is false when no such tag is there.
struct BaseHref {
    QByteArray value;
    bool found = false;
};
BaseHref FirstBaseHref(QByteArrayView page);

// The href values of a page.
QList<QByteArray> ObdelajHTML(const QByteArray &page);
// The src values of a page's img tags.
QList<QByteArray> ObdelajHTMLImg(const QByteArray &page);

// The folder a page lies in, as SplitAddress gives it for the page address,
// and the scheme the page was asked for.
struct PageLocation {
    QByteArray host;             // before the first "/"
    QByteArray path;             // empty, or folders each ending in "/": "a/b/"
    QByteArray scheme = "http";  // "http" or "https", in lower case
    // The page's first <base href> as a full address (PageBaseAddress);
    // empty when the page has none. Relative values resolve against it.
    QByteArray base = {};
};

// The first <base href> of the page resolved against the page by RFC 3986
// (ResolveModernLink), as a full "http://" or "https://" address; empty when
// the page has none, or its value is empty, only a "#...", or of another
// scheme.
QByteArray PageBaseAddress(QByteArrayView page, const PageLocation &location);

// One raw value resolved against the page, where S is the page's scheme:
//   "http://" or "https://" (any case) ...  unchanged
//   when the page has a base: an empty value or one of another scheme gives
//   an empty result, any other resolves against the base by RFC 3986
//   (ResolveReferenceOn: dot segments removed, the "#..." part dropped);
//   without a base:
//   "//"                      S + ":" + value
//   another scheme ("mailto:", "data:", "ftp:" ...; RFC 3986: a letter, then
//   letters, digits, "+", "-", "." up to ":")   empty: no address to offer
//   "../" (twice at most)     the path one folder up per "../"
//   "/"                       S + "://" + host + value
//   "./"                      S + "://" + host + "/" + path + the rest
//   anything else             S + "://" + host + "/" + path + value
// An empty value gives an empty result.
QByteArray ObdelajEnoPovezavo(const QByteArray &raw, const PageLocation &page);

// Whether the value starts with a scheme other than "http://" or "https://":
// such links lead nowhere this program can go and are not offered.
bool HasForeignScheme(QByteArrayView raw);

// The result of the filter pass.
struct FilteredLinks {
    QList<QByteArray> links;    // resolved addresses to append to the link list, in order
    bool nothingFound = false;  // the link list stays empty: log NoFilesFoundMessage,
                                // show step 1 and disconnect
};

// The filter pass: every raw value whose ending the type filter entry admits
// (see type_filter.h) and that has no foreign scheme, resolved as it stands,
// untrimmed. alreadyListed is the
// number of entries the link list holds before the new ones are appended.
FilteredLinks ObdelajPovezave(const QList<QByteArray> &rawValues, int typeFilterIndex,
                              const PageLocation &page, qsizetype alreadyListed = 0);

// The log line for a scan that found nothing, in the interface language.
QString NoFilesFoundMessage(bool english);

// Removes empty entries and every repeat of an earlier entry; the first
// occurrence of each text keeps its place. Exact, case-sensitive comparison;
// linear time.
void OdstraniDuplikatneVrstice(QList<QByteArray> &lines);
void OdstraniDuplikatneVrstice(QStringList &lines);

// A whole scan of a page on its own: collection, filter and resolution
// (against the page's <base href> when it has one), duplicate removal.
QList<QByteArray> ScanPageLinks(const QByteArray &page, LinkAttribute attribute,
                                int typeFilterIndex, const PageLocation &location);

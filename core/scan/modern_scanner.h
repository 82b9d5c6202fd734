// The modern page scan, used instead of the link scanner when the
// "modernpages" setting is on: reads the page with the HTML tokenizer
// (html_tokenizer.h) and takes what a browser would show or follow, the
// largest picture of srcset, picture and lazy-loading attributes included.
// Plain functions on bytes, like the link scanner; linear in the page, a
// 20 MB page with 100,000 links well under a second (bench/README.md).
//
// The page load (page_loader.h) takes its values with
// CollectModernLinkValues where the setting is on, instead of the link
// scanner's, and filters them with FilterModernLinks against the page's
// location; the values are found before the page's address is split:
// nothing here needs it. The type filter then offers the captions of
// FileTypeFilterCaptions(true) (type_filter.h); its index may be 0 to 19.
#pragma once

#include "core/scan/html_tokenizer.h"
#include "core/scan/link_scanner.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// What the scan takes from a page, each list in page order without empty
// entries or repeats (the first stays). Values are decoded, stripped of
// leading and trailing spaces and control characters and of tabs and line
// breaks inside (as a browser does with an address), and never have a
// scheme other than http or https; values that only name a place in the
// page ("#top") are left out.
struct ModernPageValues {
    // The href of every a, area and link.
    QList<QByteArray> links;
    // The pictures: one per img (BestImageSource) and one per picture
    // element (its sources' candidates and its img's together); the content
    // of <meta property="og:image"> and <meta name="twitter:image"> (and of
    // og:image:url, og:image:secure_url, twitter:image:src, under either
    // attribute); every url(...) of a style attribute.
    QList<QByteArray> pictures;
    // The pictures above that only a responsive or lazy-loading page has:
    // chosen from a srcset or a picture's sources, or from data-src and its
    // kind, rather than from a plain src (which the link scanner finds too).
    QList<QByteArray> lazyPictures;
    // The href of the first <base> that has one, empty when none; relative
    // values resolve against it (and it against the page).
    QByteArray base;
};

ModernPageValues CollectModernValues(QByteArrayView page);

// The values the modern scan finds: with Href the links, with ImgSrc the
// pictures ("embedded images (not with links)"), each value
// already resolved against the page's <base href> when it has one. A value
// then is absolute, or relative to the page as the link scanner's are.
QList<QByteArray> CollectModernLinkValues(QByteArrayView page, LinkAttribute attribute);

// The values the modern scan finds when links are searched for: the links,
// then lazyPictures (what the responsive scan promises besides the links),
// resolved against <base href> as above, without repeats.
QList<QByteArray> CollectModernLinksWithLazyPictures(QByteArrayView page);

// The filter pass over such values, with ObdelajPovezave's contract: each
// value resolved against the page (ResolveModernLink), kept when the type
// filter entry admits it with modern pages on (FileTypeAdmitsLink(index,
// link, true)), in order. alreadyListed is the number of entries the link
// list holds before the new ones are appended.
FilteredLinks FilterModernLinks(const QList<QByteArray> &values, int typeFilterIndex,
                                const PageLocation &page, qsizetype alreadyListed = 0);

// One value as a full address, by RFC 3986 with the link scanner's scheme
// rules: "http://" and "https://" (any case; the scheme comes out in lower
// case) are kept, "//x" takes the page's scheme, a value with any other
// scheme ("mailto:", "javascript:", "data:", "ftp:", also "http:x" without
// "//") gives an empty result. Relative values resolve against the page's
// folder, "/" against its server; "." and ".." segments are removed; the
// "#..." part is dropped; spaces and control characters are written as
// %XX. The page's file name is not known, so "?q" resolves against the
// folder. An empty value gives an empty result.
QByteArray ResolveModernLink(QByteArrayView value, const PageLocation &page);

// A reference resolved against another (RFC 3986, 5.2), either of which
// may be relative: "//cdn/x/" and "a.jpg" give "//cdn/x/a.jpg", "sub/" and
// "../a.jpg" give "a.jpg", "../" and "../a.jpg" give "../../a.jpg". A
// reference with a scheme is returned as it stands; the "#..." part of
// either is dropped.
QByteArray ResolveReferenceOn(QByteArrayView base, QByteArrayView reference);

// A whole modern scan of a page on its own: collection, filter and
// resolution, duplicate removal; the counterpart of ScanPageLinks.
QList<QByteArray> ScanModernPageLinks(QByteArrayView page, LinkAttribute attribute,
                                      int typeFilterIndex, const PageLocation &location);

// ---- The choice rules, for the tests and other callers -----------------------

// One candidate of a srcset: its address and its descriptor, if any.
struct SrcsetCandidate {
    QByteArray url;
    qint64 width = 0;        // "800w"; 0 when not given
    double density = 0;      // "2x" or "1.5x"; 0 when not given
};

// The candidates of a srcset as the HTML standard parses them: separated
// by commas, each an address up to the first space (an address may hold
// commas; commas that end it are separators), then descriptors up to the
// next comma outside parentheses. A candidate whose descriptors are invalid
// ("0w", "2w 2x", "-1x", "3y", "h" without "w") is left out.
QList<SrcsetCandidate> ParseSrcset(QByteArrayView srcset);

// The index of the largest candidate: the widest among those with a width,
// else the densest among those with a density (none given counts as 1x),
// else the last one; the first of equals. -1 for none.
qsizetype LargestCandidate(const QList<SrcsetCandidate> &candidates);

// The one picture of an img: the largest candidate of its srcset and
// data-srcset together (besides those in extra, the sources of its picture),
// else its data-src, data-original, data-lazy-src or src, the first of them
// that is set. Candidates and values with a scheme other than http and
// https (data: placeholders) are passed over. Empty when none is left.
QByteArray BestImageSource(const HtmlToken &img, const QList<SrcsetCandidate> &extra = {});

// The addresses of every url(...) of a CSS declaration list, quoted or
// not, with backslash escapes undone.
QList<QByteArray> StyleUrls(QByteArrayView style);

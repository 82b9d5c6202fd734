// The file-type filter of the link scanner: the entries of the type list and
// the table that says which link endings each entry admits.
#pragma once

#include <QByteArrayView>
#include <QStringList>

#include <array>
#include <optional>

// The number of entries of the type list; valid indexes are 0 to 16.
inline constexpr int kTypeFilterCount = 17;

// The 17 captions of the type filter, in order; entry 0 is in force at start.
QStringList FileTypeFilterCaptions();

// Each entry admits the links whose ending one of its rows of the type table
// names: entries 0 to 3 the pictures (jpg and jpeg, gif, png), 4 htm and html,
// 5 to 7 mp3 and ogg, 8 to 15 the videos and 16 any ending. Only the last three
// characters count, so "PEG" stands for both jpeg and mpeg and "TML" for any
// name ending in tml; a link passes an entry at most once.

// The ending a link is judged by: the last three characters of the link with
// every byte up to and including space cut off at both ends, upper-cased
// (ASCII letters only). None when fewer than three characters remain.
using LinkEnding = std::array<char, 3>;
std::optional<LinkEnding> LinkEndingOf(QByteArrayView link);

// Whether the type list entry admits a link with this ending. An index out
// of the list admits nothing.
bool FileTypeAdmits(int typeFilterIndex, const LinkEnding &ending);

// The same for a whole link; links with fewer than three characters after
// trimming are never admitted.
bool FileTypeAdmitsLink(int typeFilterIndex, QByteArrayView link);

// ---- Modern pages ----------------------------------------------------------
// With the "modernpages" setting on, the list grows by one entry per newer
// picture type, after the 17 above, and entry 0 admits those types too. The
// functions above keep their meaning whatever the setting.

// The number of entries of the type list with modern pages on: 0 to 19.
inline constexpr int kModernTypeFilterCount = kTypeFilterCount + 3;

// The captions of the entries modern pages add, in order: 17 "*.webp",
// 18 "*.avif", 19 "*.svg".
QStringList ModernFileTypeFilterExtraCaptions();

// The whole caption list: without modern the 17 of FileTypeFilterCaptions;
// with it entry 0 names the new types as well ("*.gif, *.jpg, *.png, *.webp,
// *.avif, *.svg") and the three extra entries follow.
QStringList FileTypeFilterCaptions(bool modern);

// FileTypeAdmitsLink without modern. With modern, also: a link whose
// address before any "?" or "#" passes the filter, and one whose address
// before them ends in ".webp", ".avif" or ".svg" (letters in any case)
// passes entry 0 and its own entry 17, 18 or 19.
bool FileTypeAdmitsLink(int typeFilterIndex, QByteArrayView link, bool modern);

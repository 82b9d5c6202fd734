// The naming rules of a downloaded file: forbidden characters become "_",
// and a name that is taken gets the first free numbered variant
// (pic.jpg -> pic0001.jpg). Names are bytes, relative to the save folder.
#pragma once

#include <QByteArray>
#include <QSet>

// True when the name holds a character that may not stand in a file name:
// / \ : * ? " < > | or a control character (a NUL included).
bool PreveriCudneZnake(const QByteArray &name);
// The name with each of those characters replaced by "_"; same length.
QByteArray ZamenjajCudneZnake(const QByteArray &name);

// True when the folder already holds an entry of that name that is not a
// folder: a file, or a link of any kind (a dangling one included), so a
// download never writes through a link.
bool PreveriObstojDatoteke(const QByteArray &name);

// The name with n placed between base and extension as at least four
// digits: ("pic.jpg", 1) -> "pic0001.jpg", ("readme", 12) -> "readme0012".
QByteArray NumberedName(const QByteArray &name, qint64 n);
// The first numbered variant of the name that PreveriObstojDatoteke finds free.
QByteArray ZamenjajImeDatoteke(const QByteArray &name);
// The same, also passing over the names reserved for files still in
// transfer, so files saved side by side get the names they would get one
// after another.
QByteArray ZamenjajImeDatoteke(const QByteArray &name, const QSet<QByteArray> &reserved);

// The file name of an address's last segment without its query and
// fragment ("cover.jpg?w=1200" gives "cover.jpg"), for pages scanned the
// modern way, whose picture addresses often carry one; the name as it is
// when nothing would be left of it.
QByteArray NameWithoutQuery(const QByteArray &name);

// The name's %XX escapes decoded (either case of hex digits), the bytes
// taken as UTF-8: "IMG%200042.JPG" gives "IMG 0042.JPG", "%C4%8D.jpg"
// gives "č.jpg". An escape whose byte does not belong to a valid UTF-8
// sequence ("%FF", a lone "%C4") stays as written, as does a "%" without
// two hex digits after it; bytes that were not escaped are left as they
// are. A name that would decode to "." or ".." ("%2e%2e") is kept as it
// stands. Decoded "/", "\", control bytes and the other forbidden
// characters are left for the naming rules (ZamenjajCudneZnake).
QByteArray DecodePercentEscapes(const QByteArray &name);

// The name a file is saved under, from the last segment of its address:
// without its query and fragment when asked (NameWithoutQuery, the modern
// scan), then decoded (DecodePercentEscapes). The naming rules come after.
QByteArray SavedFileName(const QByteArray &segment, bool withoutQuery);

// The size of the regular file of that name, never through a symbolic
// link; -1 for a link, a folder, anything else or nothing.
qint64 RegularFileSize(const QByteArray &name);

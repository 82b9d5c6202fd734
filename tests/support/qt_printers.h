// How GoogleTest prints Qt's text types in a failure message: a QString as
// its UTF-8 text in quotes, a QByteArray as a C string literal, a
// QStringList as {"a", "b"}; control characters escaped in each. Without
// these a QString prints as one "2-byte object" per character.
//
// Qt's classes live in the global namespace, so the overloads do too, where
// GoogleTest's argument-dependent look-up finds them. Every test source is
// compiled with this header included first (tests/support/CMakeLists.txt):
// a source that compared QStrings without it would instantiate GoogleTest's
// byte dump, and the linker could keep that one for the whole program.
#pragma once

#include <QtCore/qcontainerfwd.h>
#include <QtCore/qstringfwd.h>

#include <iosfwd>

class QString;

void PrintTo(const QString &text, std::ostream *os);
void PrintTo(const QByteArray &bytes, std::ostream *os);
void PrintTo(const QStringList &list, std::ostream *os);

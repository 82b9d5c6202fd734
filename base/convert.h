// Strict text-to-number conversion as the settings, the edit fields and the
// command line need it: decimal (or $hex) 32-bit integers with an optional
// sign, surrounding blanks allowed, nothing else.
#pragma once

#include <QString>
#include <optional>

std::optional<qint32> TryStrToInt(const QString &text);

// TryStrToInt, raising EConvertError "'text' is not a valid integer value".
qint32 StrToInt(const QString &text);

// A whole-number text such as the stored statistics ("install", "run"):
// an optional sign and up to 18 digits; also accepts a fraction or exponent
// form and rounds it. Empty when the text is not a number.
std::optional<qint64> TryStrToInt64Number(const QString &text);

// A whole number written as plain digits (general format of a whole value).
QString NumberText(qint64 value);

// A 64-bit value brought into the 32-bit range (the nearer bound beyond it).
qint32 ClampToInt32(qint64 value);

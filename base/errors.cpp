#include "base/errors.h"

#include <cstring>

Exception::Exception(QString message)
    : message_(std::move(message)), utf8_(message_.toStdString()) {}

ERangeError::ERangeError() : Exception(kRangeCheckError) {}

EConvertError EConvertError::NotAnInteger(const QString &text)
{
    return EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

EFCreateError EFCreateError::CannotCreate(const QString &path, const QString &reason)
{
    EFCreateError error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
    error.Reason = reason;
    return error;
}

EFOpenError EFOpenError::CannotOpen(const QString &path, const QString &reason)
{
    return EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason));
}

EListError EListError::OutOfBounds(qsizetype index)
{
    return EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

QString SystemErrorMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

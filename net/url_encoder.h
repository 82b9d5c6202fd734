// Form encoding ("application/x-www-form-urlencoded") of a byte string, as
// the HTTP client's Post sends it.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QObject;

class TUrlEncoder {
public:
    explicit TUrlEncoder(QObject *owner = nullptr);

    // Letters and digits stay, the blank becomes "+", every other byte
    // becomes "%" and two upper-case hexadecimal digits. The whole input is
    // encoded, however long. On a failure OnError is told and the unencoded
    // input is returned.
    QByteArray Encode() const;

    QByteArray InputString;
    // Sender, operation text ("Error during encode"), error message.
    std::function<void(const TUrlEncoder *, const QString &, const QString &)> OnError;
};

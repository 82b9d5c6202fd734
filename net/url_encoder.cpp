#include "net/url_encoder.h"

#include <exception>

TUrlEncoder::TUrlEncoder(QObject *) {}

static bool IsAlphaNumeric(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

QByteArray TUrlEncoder::Encode() const
{
    static const char kHex[] = "0123456789ABCDEF";
    try {
        QByteArray result;
        result.reserve(InputString.size() * 3);
        for (char ch : InputString) {
            const auto c = static_cast<unsigned char>(ch);
            if (IsAlphaNumeric(c)) {
                result.append(ch);
            } else if (c == ' ') {
                result.append('+');
            } else {
                const char escaped[3] = {'%', kHex[c >> 4], kHex[c & 15]};
                result.append(escaped, 3);
            }
        }
        return result;
    } catch (const std::exception &e) {
        if (OnError)
            OnError(this, QStringLiteral("Error during encode"), QString::fromUtf8(e.what()));
        return InputString;
    }
}

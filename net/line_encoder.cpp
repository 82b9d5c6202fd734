#include "net/line_encoder.h"

#include "base/errors.h"

#include <QBuffer>

TLineEncoder::TLineEncoder(QObject *) {}

static QByteArray MimeAlphabet()
{
    return QByteArrayLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
}

static QByteArray UUAlphabet()
{
    QByteArray alphabet(1, '`');
    for (char c = 33; c <= 95; ++c)
        alphabet.append(c);
    return alphabet;
}

QByteArray TLineEncoder::EncodeLine(const char *data, int count) const
{
    const auto *b = reinterpret_cast<const unsigned char *>(data);
    const char *a = Alphabet.constData();
    QByteArray line;
    line.reserve(64);
    if (Method == emUUCode)
        line.append(a[count % 64]);
    int i = 0;
    for (; i + 3 <= count; i += 3) {
        line.append(a[b[i] >> 2]);
        line.append(a[((b[i] & 3) << 4) | (b[i + 1] >> 4)]);
        line.append(a[((b[i + 1] & 15) << 2) | (b[i + 2] >> 6)]);
        line.append(a[b[i + 2] & 63]);
    }
    if (count - i == 1) {
        line.append(a[b[i] >> 2]);
        line.append(a[(b[i] & 3) << 4]);
        if (Method == emMime)
            line.append("==");
    } else if (count - i == 2) {
        line.append(a[b[i] >> 2]);
        line.append(a[((b[i] & 3) << 4) | (b[i + 1] >> 4)]);
        line.append(a[(b[i + 1] & 15) << 2]);
        if (Method == emMime)
            line.append('=');
    }
    line.append("\r\n");
    return line;
}

static void WriteAll(QIODevice *out, const QByteArray &bytes)
{
    if (out->write(bytes) != bytes.size())
        throw EInOutError(out->errorString());
}

void TLineEncoder::EncodeBlocks()
{
    char block[45];
    while (!InputStream->atEnd()) {
        const qint64 count = InputStream->read(block, sizeof block);
        if (count < 0)
            throw EInOutError(InputStream->errorString());
        if (count == 0)
            break;
        WriteAll(OutputStream, EncodeLine(block, int(count)));
    }
    if (Method == emUUCode)
        WriteAll(OutputStream, QByteArray(1, Alphabet[0]) + "\r\n");
}

void TLineEncoder::Encode()
{
    if (!InputStream || !OutputStream)
        throw EInOutError(QStringLiteral("No stream to encode"));
    InputStream->seek(0);
    if (OnBeginEncode)
        OnBeginEncode(this);
    Alphabet = Method == emMime ? MimeAlphabet() : UUAlphabet();
    try {
        EncodeBlocks();
    } catch (...) {
        FinishEncode();
        throw;
    }
    FinishEncode();
}

void TLineEncoder::FinishEncode()
{
    OutputStream->seek(0);
    if (OnEndEncode)
        OnEndEncode(this);
}

QByteArray Base64Lines(const QByteArray &data)
{
    QByteArray input = data;
    QBuffer in(&input);
    QByteArray output;
    QBuffer out(&output);
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::ReadWrite);
    TLineEncoder encoder;
    encoder.InputStream = &in;
    encoder.OutputStream = &out;
    encoder.Method = emMime;
    encoder.Encode();
    return output;
}

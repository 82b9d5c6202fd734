// Base64 (MIME) and uuencode lines of a byte stream. Each line carries 45
// input bytes (60 characters of Base64) and ends with CR LF.
#pragma once

#include <QByteArray>
#include <functional>

class QIODevice;
class QObject;

enum TEncodeMethod : quint8 { emMime = 0, emUUCode = 1 };

class TLineEncoder {
public:
    using TNotifyEvent = std::function<void(TLineEncoder *)>;

    explicit TLineEncoder(QObject *owner = nullptr);

    // Reads InputStream from its start and writes the encoded lines to
    // OutputStream, which is left positioned at its start (also after a
    // failure, which is passed on as EInOutError).
    void Encode();

    TNotifyEvent OnBeginEncode, OnEndEncode, OnBeginDecode, OnEndDecode;
    QByteArray Alphabet;
    QIODevice *InputStream = nullptr;   // not owned
    QIODevice *OutputStream = nullptr;  // not owned
    TEncodeMethod Method = emMime;

private:
    QByteArray EncodeLine(const char *data, int count) const;
    void EncodeBlocks();
    void FinishEncode();
};

// The Base64 lines of data as one string (CR LF after every line).
QByteArray Base64Lines(const QByteArray &data);

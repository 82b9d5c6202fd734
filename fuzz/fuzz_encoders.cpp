// Form-encodes and Base64/uuencodes arbitrary bytes and checks the output
// against its definition.
#include "net/header_lines.h"
#include "net/line_encoder.h"
#include "net/url_encoder.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

static QByteArray Lines(const QByteArray &input, TEncodeMethod method)
{
    QByteArray in = input, out;
    QBuffer inStream(&in), outStream(&out);
    inStream.open(QIODevice::ReadOnly);
    outStream.open(QIODevice::ReadWrite);
    TLineEncoder encoder;
    encoder.InputStream = &inStream;
    encoder.OutputStream = &outStream;
    encoder.Method = method;
    encoder.Encode();
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    TUrlEncoder form;
    form.InputString = input;
    const QByteArray encoded = form.Encode();
    if (QByteArray::fromPercentEncoding(QByteArray(encoded).replace('+', "%20")) != input)
        __builtin_trap();

    const QByteArray mime = Lines(input, emMime);
    if (QByteArray::fromBase64(QByteArray(mime).replace("\r\n", "")) != input)
        __builtin_trap();
    const QByteArray uu = Lines(input, emUUCode);
    if (!uu.endsWith("`\r\n"))
        __builtin_trap();

    THeaderLines list;
    for (const QByteArray &line : input.split('\n'))
        list.Add(line);
    const QByteArray name = input.left(input.indexOf(':'));
    list.SetHeader(name, "v");
    if (!name.contains('\r') && list.IndexOfHeader(name) < 0 && !name.isEmpty())
        __builtin_trap();
    return 0;
}

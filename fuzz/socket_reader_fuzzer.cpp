// Feeds arbitrary bytes, as a server sends them before it closes, to the
// real connection through a socket pair. The first byte picks what the
// client does with them:
//   0  ReadLn to the end: the look-ahead, lines in pieces, the 64 KiB limit
//   1  Transaction, then the lines
//   2  CaptureString, with or without a limit
//   3  some lines, then CaptureFile
//   4  a whole HTTP Get, every connection answered with the same bytes
// Checks that no byte is lost, doubled or moved: the lines, the skipped
// over-long line and the captured rest add up to what was sent, and that
// no descriptor is left open.
#include "fuzz/pair_server.h"
#include "net/response_header.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr size_t kMaxInput = 200 * 1024;
constexpr int kLineLimit = TSocketConnection::kBufferSize;

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

QString CaptureFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/socket_reader_fuzzer-XXXXXX"));
    return folder.path();
}

// Reads lines until the peer's close, appending them to got. A line longer
// than the limit raises a range error after taking exactly that many bytes
// without a line end; the reading goes on after them.
void ReadAllLines(TSocketConnection &conn, QByteArray &got, const QByteArray &sent, int maxLines)
{
    for (int i = 0; i < maxLines; ++i) {
        QByteArray line;
        try {
            line = conn.ReadLn();
        } catch (const ERangeError &) {
            const QByteArray skipped = sent.mid(got.size(), kLineLimit);
            Check(skipped.size() == kLineLimit && !skipped.contains('\n'));
            got += skipped;
            continue;
        }
        if (line.isEmpty())
            return;
        Check(line.size() <= kLineLimit);
        const qsizetype lf = line.indexOf('\n');
        Check(lf < 0 || lf == line.size() - 1);
        // A line without its end is the last one: the peer closed.
        Check(lf >= 0 || got.size() + line.size() == sent.size());
        got += line;
        Check(sent.startsWith(got));
    }
}

void RunConnection(uint8_t mode, uint8_t detail, const QByteArray &sent)
{
    fuzz::PairServer server;
    QByteArray got;
    {
        TSocketConnection conn;
        conn.TimeOut = 5000;
        const int fd = server.Open(sent);
        Check(fd >= 0);
        conn.AttachConnected(fd);
        switch (mode) {
        case 0:
            ReadAllLines(conn, got, sent, 1 << 20);
            Check(got == sent);
            break;
        case 1: {
            QByteArray reply;
            try {
                reply = conn.Transaction("NOOP");
            } catch (const ERangeError &) {
                // A reply number beyond 32767 or a first line beyond the limit.
                return;
            }
            Check(sent.startsWith(reply));
            Check(reply == conn.LastReply);
            // The reply number is the leading number of the line: none is 0,
            // one of up to four digits is itself.
            qsizetype digits = 0;
            while (digits < reply.size() && reply[digits] >= '0' && reply[digits] <= '9')
                ++digits;
            Check(conn.ReplyNumber >= 0);
            if (digits == 0)
                Check(conn.ReplyNumber == 0);
            else if (digits <= 4)
                Check(conn.ReplyNumber == reply.left(digits).toInt());
            got = reply;
            ReadAllLines(conn, got, sent, 1 << 20);
            Check(got == sent);
            Check(server.Received() == QList<QByteArray>{"NOOP\r\n"});
            break;
        }
        case 2: {
            const qint32 limit = detail < 128 ? -1 : qint32(detail - 128) * 997;
            QByteArray text;
            conn.CaptureString(text, limit);
            Check(sent.startsWith(text));
            Check(conn.BytesRecvd == text.size());
            if (limit == -1 || sent.size() <= limit)
                Check(text == sent);
            else
                Check(text.size() >= limit);
            break;
        }
        case 3: {
            ReadAllLines(conn, got, sent, detail % 8);
            const QString path = CaptureFolder() + QStringLiteral("/capture.bin");
            conn.CaptureFile(QFile::encodeName(path));
            QFile file(path);
            Check(file.open(QIODevice::ReadOnly));
            Check(got + file.readAll() == sent);
            Check(conn.BytesRecvd + got.size() == sent.size());
            break;
        }
        }
    }
}

// Where the final answer starts: past the interim answers (an HTTP status
// line of 1xx and the lines up to its blank line), which the client drops.
qsizetype FinalAnswerStart(const QByteArray &sent)
{
    for (qsizetype at = 0;;) {
        qsizetype end = sent.indexOf('\n', at);
        const QByteArray status = sent.mid(at, end < 0 ? -1 : end - at + 1);
        const int number = IsHttpStatusLine(status) ? StatusNumberOf(status) : 0;
        if (end < 0 || number < 100 || number > 199)
            return at;
        for (QByteArray line = status; line != "\r\n" && line != "\n";) {
            at = end + 1;
            end = sent.indexOf('\n', at);
            if (end < 0)
                return sent.size();  // cut short: the Get fails
            line = sent.mid(at, end - at + 1);
        }
        at = end + 1;
    }
}

// Whether a header block frames its body in chunks, which the client decodes.
bool SaysChunked(const QByteArray &header)
{
    for (const QByteArray &line : header.split('\n')) {
        if (const QByteArray coding = HeaderValueOf(line + '\n', "Transfer-Encoding");
            !coding.isNull() && IsChunkedCoding(coding))
            return true;
    }
    return false;
}

// detail: bit 0 a file capture, bit 1 kept connections (HTTP/1.1 framing).
void RunHttpGet(uint8_t detail, const QByteArray &sent)
{
    // The capture file is shared by all inputs: one an earlier input left
    // behind (its Get failed after the file was made) must not count as
    // this input's.
    const QString bodyPath = CaptureFolder() + QStringLiteral("/body.bin");
    QFile::remove(bodyPath);
    fuzz::PairServer server;
    bool done = false;
    QByteArray header, body;
    qint64 length = -1;
    bool fileMode = false;
    int reply = 0;
    {
        fuzz::PairHttpClient http(server);
        http.TimeOut = 5000;
        http.HeaderInfo.LocalProgram = "fuzz";
        http.KeepAlive = (detail & 2) != 0;
        http.Reply = [&](int) { return sent; };
        if (detail & 1) {
            http.InputFileMode = true;
            http.Body = QFile::encodeName(bodyPath);
        }
        try {
            http.Get("http://pair.test/start");
            done = true;
        } catch (const Exception &) {
            // The address of a redirect, a line beyond the limit: refused.
        }
        header = http.Header;
        body = http.Body;
        length = http.ContentLength;
        fileMode = http.InputFileMode;
        reply = http.ReplyNumber;
        // A redirect's answer makes no file; any other answer does.
        const bool redirect = reply >= 300 && reply <= 399;
        if (done && http.InputFileMode) {
            QFile file(QString::fromLocal8Bit(http.Body));
            const bool opened = file.open(QIODevice::ReadOnly);
            Check(opened || redirect);
            body = file.readAll();
            file.remove();
        } else if (http.InputFileMode) {
            body.clear();  // Body names the file, which a failed Get leaves unchecked
        }
        // Closed after every answer, unless kept open for the next request.
        Check(!http.Connected || http.KeepAlive);
    }
    Check(server.Connections() >= 1 && server.Connections() <= THttpClient::kMaxPasses);
    // A request is whole, or nothing is sent: a redirect to an address the
    // client refuses ends the pass after connecting, before the request; one
    // to an https address sends a TLS handshake that fails, and no request.
    for (const QByteArray &request : server.Received())
        Check(request.isEmpty() || fuzz::IsTlsHandshake(request)
              || (request.startsWith("GET ") && request.endsWith("\r\n\r\n")));
    // With kept connections the body ends at its length or last chunk, and
    // a redirect's next pass may read on in the same bytes: never more than
    // came. Without, the body is what followed the header, to the close.
    const bool kept = (detail & 2) != 0;
    // Chunks are decoded, so the body is shorter than what came. A Get that
    // failed (a header cut short) took no body: Body is what it was before.
    if (kept || SaysChunked(header)) {
        Check(!done || body.size() <= sent.size());
        return;
    }
    // Interim answers are dropped: the header is the final answer's.
    const QByteArray answer = sent.mid(FinalAnswerStart(sent));
    if (done && !fileMode)
        Check(header + body == answer);
    // A file holds no redirect's body and ends at the answer's
    // Content-Length when it gives one.
    if (done && fileMode && reply >= 300 && reply <= 399)  // nothing read
        Check(body.isEmpty());
    else if (done && fileMode)
        Check(body == answer.mid(header.size(), length < 0 ? -1 : length) && answer.startsWith(header));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::StartEventLoop();
    CaptureFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > kMaxInput)
        return 0;
    const uint8_t mode = data[0] % 5, detail = data[1];
    const QByteArray sent(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const int descriptors = fuzz::OpenDescriptors();
    if (mode == 4)
        RunHttpGet(detail, sent);
    else
        RunConnection(mode, detail, sent);
    Check(fuzz::OpenDescriptors() == descriptors);
    return 0;
}

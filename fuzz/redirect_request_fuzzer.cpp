// Feeds an arbitrary address to the request chain: as the Location of a
// redirect answer (or, by a flag, as the address asked for) it goes through
// the redirect, the address split, the header block and the request line,
// and the request is sent over a socket pair. The first byte holds flags:
//   bit 0  through a proxy (the request line carries the whole address)
//   bit 1  the bytes are the address asked for, not a redirect's Location
//   bit 2  the redirect answer also sets a cookie of the same bytes
//   bit 3  the bytes are the Referer, User-Agent and user name as well
//   bit 4  HEAD instead of GET
//   bits 5-6  the redirect's status: 301, 302, 300 or 303
// Checks every request that is built and every one that is sent: CR and LF
// only as the line ends of the header block, which ends at its one blank
// line; no zero byte; a request line of method, target and version split
// by exactly two blanks; and a connection only to a port in 1..65535. An
// address the client refuses (an exception) is fine; a port out of range
// must be refused before anything is sent.
#include "fuzz/pair_server.h"

#include <cstdint>

namespace {

constexpr size_t kMaxInput = 32 * 1024;

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

void CheckRequest(const QByteArray &request, const QByteArray &method)
{
    Check(request.endsWith("\r\n\r\n"));
    Check(request.indexOf("\r\n\r\n") == request.size() - 4);
    Check(!request.contains('\0'));
    for (qsizetype i = 0; i < request.size(); ++i) {
        if (request[i] == '\r')
            Check(i + 1 < request.size() && request[i + 1] == '\n');
        else if (request[i] == '\n')
            Check(i > 0 && request[i - 1] == '\r');
    }
    const QByteArray requestLine = request.left(request.indexOf("\r\n"));
    Check(requestLine.startsWith(method + ' '));
    Check(requestLine.endsWith(" HTTP/1.0"));
    Check(requestLine.count(' ') == 2);
}

// What a pass to an https address sends: through the proxy a CONNECT head
// of two lines, then (once the tunnel stands) a TLS handshake; directly the
// handshake alone; nothing when the session cannot even be set up (a host
// name OpenSSL refuses). Nothing of the request goes out in clear.
bool CheckedTlsPass(const QByteArray &sent)
{
    if (sent.isEmpty() || fuzz::IsTlsHandshake(sent))
        return true;
    if (!sent.startsWith("CONNECT "))
        return false;
    const qsizetype end = sent.indexOf("\r\n\r\n");
    Check(end > 0);
    const QByteArray head = sent.left(end);
    Check(head.count("\r\n") == 1 && !head.contains('\0'));
    const QByteArray requestLine = head.left(head.indexOf("\r\n"));
    Check(requestLine.endsWith(" HTTP/1.0") && requestLine.count(' ') == 2);
    const QByteArray tunneled = sent.mid(end + 4);
    Check(tunneled.isEmpty() || fuzz::IsTlsHandshake(tunneled));
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::StartEventLoop();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > kMaxInput)
        return 0;
    const uint8_t flags = data[0];
    const QByteArray value(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    static const char *const kStatus[] = {"301", "302", "300", "303"};
    const QByteArray method = (flags & 16) ? "HEAD" : "GET";
    const int descriptors = fuzz::OpenDescriptors();
    {
        fuzz::PairServer server;
        {
            fuzz::PairHttpClient http(server);
            http.TimeOut = 5000;
            if (flags & 1) {
                http.Proxy = "proxy.test";
                http.ProxyPort = 8080;
            }
            if (flags & 8) {
                http.HeaderInfo.Referer = value;
                http.HeaderInfo.LocalProgram = value;
                http.HeaderInfo.UserId = value;
                http.HeaderInfo.Password = "secret";
            }
            http.Reply = [&](int connection) -> QByteArray {
                if (connection > 1 || (flags & 2))
                    return "HTTP/1.0 200 OK\r\n\r\nok";
                QByteArray reply = QByteArray("HTTP/1.0 ") + kStatus[(flags >> 5) & 3] + " Moved\r\n";
                reply += "Location: " + value + "\r\n";
                if (flags & 4)
                    reply += "Set-Cookie: " + value + "\r\n";
                return reply + "\r\n";
            };
            http.OnAboutToSend = [&](TSocketConnection *) {
                CheckRequest(http.HeaderList.Text() + "\r\n", method);
            };
            http.CheckConnect = [](fuzz::PairHttpClient &client) {
                const qint32 port = client.Proxy.isEmpty() ? client.Port : client.ProxyPort;
                Check(port >= 1 && port <= 65535);
            };
            const QByteArray start = (flags & 2) ? value : QByteArray("http://start.test/page.html");
            try {
                if (flags & 16)
                    http.Head(start);
                else
                    http.Get(start);
            } catch (const Exception &) {
                // Refused: an empty address, a port that is no number or out
                // of range, a request too long to send, a failed handshake.
            }
        }
        for (const QByteArray &request : server.Received()) {
            if (!CheckedTlsPass(request))
                CheckRequest(request, method);
        }
    }
    Check(fuzz::OpenDescriptors() == descriptors);
    return 0;
}

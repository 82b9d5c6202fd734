// THttpClient: splitting the address, building and sending the request
// header block, and reading the response header block.
#include "net/http_client.h"

#include "base/errors.h"
#include "net/answer_errors.h"
#include "net/capture_file.h"
#include "net/line_encoder.h"
#include "net/response_header.h"
#include "net/url_splitter.h"

#include <QDateTime>
#include <QFileInfo>
#include <optional>
#include <utility>

static QByteArray RequestWord(CmdType command)
{
    static const char *const kWords[] = {"GET ", "OPTIONS ", "HEAD ", "POST ", "PUT ",
                                         "PATCH ", "COPY ", "MOVE ", "DELETE ", "LINK ",
                                         "UNLINK ", "TRACE "};
    return command < std::size(kWords) ? QByteArray(kWords[command]) : QByteArray();
}

static bool SendsBody(CmdType command)
{
    return command == THttpClient::CmdPost || command == THttpClient::CmdPut
        || command == THttpClient::CmdPatch || command == THttpClient::CmdTrace
        || command == THttpClient::CmdSendBody;
}

void THttpClient::SplitURL()
{
    TUrlTarget target{Host, Port, Path, SecureRequest};
    SplitUrl(URL, target);
    Host = target.Host;
    Port = target.Port;
    Path = target.Path;
    SecureRequest = target.Secure;
}

// Addresses come from pages and may hold blanks, line breaks or other
// control bytes: in the request line they are percent-encoded, so they
// can neither end the line nor split the request.
static QByteArray RequestTarget(const QByteArray &address)
{
    QByteArray target;
    target.reserve(address.size());
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f)
            target.append('%').append(QByteArray::number(byte, 16).rightJustified(2, '0').toUpper());
        else
            target.append(c);
    }
    return target;
}

// A header value on one line: line breaks and NUL bytes become blanks.
static QByteArray OneLine(QByteArray value)
{
    for (char &c : value) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    return value;
}

void THttpClient::BuildHeader()
{
    HeaderList.Clear();
    // Through a tunnel the server gets the request as if it came directly.
    const bool viaProxy = !Proxy.isEmpty() && !SecureRequest;
    if (Command != CmdSendBody)
        HeaderList.Add(RequestWord(Command) + RequestTarget(viaProxy ? URL : Path)
                       + (KeepAlive ? " HTTP/1.1" : " HTTP/1.0"));
    // HTTP/1.1 names the port in Host when it is not the scheme's own.
    QByteArray host = OneLine(Host);
    if (KeepAlive && Port != (SecureRequest ? 443 : 80))
        host += ':' + QByteArray::number(Port);
    if (viaProxy) {
        HeaderList.Add("Proxy-Connection: Keep-Alive");
        HeaderList.Add("Host: " + host);
    }
    HeaderList.SetHeader("Host", host);
    HeaderList.Add("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
    HeaderList.Add("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
    if (!HeaderInfo.LocalProgram.isEmpty())
        HeaderList.SetHeader("User-Agent", OneLine(HeaderInfo.LocalProgram));
    if (!HeaderInfo.LocalMailAddress.isEmpty())
        HeaderList.SetHeader("From", OneLine(HeaderInfo.LocalMailAddress));
    QByteArray cookie;
    if (!HeaderInfo.Cookie.isEmpty()
        && (HeaderInfo.Cookie != redirectCookie_ || IsCurrentOrigin(cookieOrigin_)))
        cookie = HeaderInfo.Cookie;
    if (CookieJar) {
        const QByteArray kept = CookieJar->HeaderFor(Host, Path, SecureRequest, QDateTime::currentSecsSinceEpoch());
        cookie += (cookie.isEmpty() || kept.isEmpty() ? "" : "; ") + kept;
    }
    if (!cookie.isEmpty())
        HeaderList.SetHeader("Cookie", OneLine(cookie));
    if (!HeaderInfo.Referer.isEmpty())
        HeaderList.SetHeader("Referer", OneLine(HeaderInfo.Referer));
    AddCredentials();
    AddRange();
    HeaderList.Add("Content-type: application/x-www-form-urlencoded");
    if (Command == CmdCopy || Command == CmdMove)
        HeaderList.Add("URI-header: " + OneLine(HeaderArgument));
    if (Command == CmdLink || Command == CmdUnlink)
        HeaderList.Add("Link: " + OneLine(HeaderArgument));
    AddContentLength();
}

// Basic credentials, on one line however long, and only for the host and
// port they were given for: not for another host a page links to, nor for
// the target of a redirect elsewhere.
void THttpClient::AddCredentials()
{
    if (HeaderInfo.UserId.isEmpty() || HeaderInfo.Password.isEmpty())
        return;
    const std::optional<THttpOrigin> &origin = CredentialsOrigin ? CredentialsOrigin : requestOrigin_;
    if (origin && !IsCurrentOrigin(*origin))
        return;
    QByteArray encoded = Base64Lines(HeaderInfo.UserId + ":" + HeaderInfo.Password);
    encoded.replace("\r\n", "");
    HeaderList.SetHeader("Authorization", "Basic " + encoded);
}

// Only for requests that send a body: Link and Unlink send none, so they
// announce none.
void THttpClient::AddContentLength()
{
    if (!SendsBody(Command))
        return;
    qint64 length = SendData.size();
    if (OutputFileMode) {
        QFile file(QString::fromUtf8(SendData));
        if (!file.open(QIODevice::ReadOnly))
            throw EFOpenError::CannotOpen(QString::fromUtf8(SendData), file.errorString());
        length = file.size();
    }
    HeaderList.Add("Content-Length: " + QByteArray::number(length));
}

void THttpClient::SendRequest()
{
    const QByteArray block = HeaderList.Text();
    if (block.size() + 2 < kBufferSize) {
        // One send (and under TLS one record) for the block and its blank line.
        Write(block + "\r\n");
    } else {
        // The blank line follows at once; it sends both in one segment.
        moreToSend_ = true;
        struct Reset {
            bool &flag;
            ~Reset() { flag = false; }
        } reset{moreToSend_};
        Write(block);
        moreToSend_ = false;
        Writeln(QByteArray());
    }
    if (!SendsBody(Command))
        return;
    if (OutputFileMode)
        SendFile(SendData);
    else
        Write(SendData);
}

// The status line of the final answer. Interim answers (1xx, RFC 9110
// 15.2) before it are read and dropped, their lines counted with the final
// header's against kMaxHeaderLines, so a server that sends them for ever
// ends with kHeaderBlockTooLong. A 101 was never asked for.
QByteArray THttpClient::ReadStatusLine(int &lines)
{
    for (bool interim = false;; interim = true) {
        const QByteArray status = ReadHeaderLine(lines);
        if (interim && status.isEmpty())
            throw ESockError(kHeaderCutShort);  // closed before the final answer
        const int number = IsHttpStatusLine(status) ? StatusNumberOf(status) : 0;
        if (number < 100 || number > 199)
            return status;
        if (number == 101)
            throw ESockError(kUnaskedProtocolSwitch);
        answered_ = true;
        for (QByteArray line = status; line != "\r\n" && line != "\n"; line = ReadHeaderLine(lines)) {
            if (!line.endsWith('\n'))
                throw ESockError(kHeaderCutShort);
        }
    }
}

void THttpClient::ReadHeader()
{
    BytesTotal = 0;
    ContentLength = -1;
    SetCookie.clear();
    contentRange_ = QByteArray();
    chunked_ = false;
    answered_ = false;
    int lines = 0;
    const QByteArray status = ReadStatusLine(lines);
    // An HTTP status line begins a header that ends at its blank line;
    // what a server sends instead is read as ever, as status 0, except on
    // a reused kept connection: there it is no answer to this request
    // (bytes left over from the last one, or the close) and the caller
    // tries a fresh connection.
    const bool http = IsHttpStatusLine(status);
    const bool reused = KeepAlive && reusing_;
    answered_ = answered_ || http || (!status.isEmpty() && !reused);
    if (!answered_ && reused)
        return;
    std::optional<TCaptureFile> file;
    if (OutputFileMode)
        file.emplace(Header);
    else
        Header.clear();
    const auto keep = [&](const QByteArray &line) {
        if (file)
            file->Write(line);
        else
            Header.append(line);
        if (http && !line.endsWith('\n'))
            throw ESockError(kHeaderCutShort);
    };
    keep(status);
    if (!status.isEmpty())
        ReplyNumber = StatusNumberOf(status);
    QByteArray connection, coding, lengths;
    bool coded = false, measured = false;
    for (;;) {
        const QByteArray line = ReadHeaderLine(lines);
        keep(line);
        if (EndsHeaderBlock(line))
            break;
        if (const QByteArray value = HeaderValueOf(line, "Transfer-Encoding"); !value.isNull())
            coding += (std::exchange(coded, true) ? ", " : "") + value;
        if (const QByteArray value = HeaderValueOf(line, "Connection"); !value.isNull())
            connection = value;
        if (const QByteArray value = HeaderValueOf(line, "Content-Range"); !value.isNull())
            contentRange_ = value;
        const THeaderValue value = ParseHeaderLine(line);
        if (value.Field == THeaderField::SetCookie) {
            SetCookie = value.Text;
            if (CookieJar)
                CookieJar->TakeSetCookie(value.Text, Host, Path, QDateTime::currentSecsSinceEpoch());
        }
        else if (value.Field == THeaderField::Location)
            Location = value.Text;
        else if (value.Field == THeaderField::ContentLength)
            lengths += (std::exchange(measured, true) ? ", " : "") + value.Text;
    }
    serverKeepsOpen_ = answered_ && ServerKeepsOpen(status, connection);
    TakeFraming(coded ? std::optional(coding) : std::nullopt, measured ? std::optional(lengths) : std::nullopt);
    if (file)
        file->Close();
}

// How the body is framed (RFC 9112 6.3): chunks, when the last coding of
// Transfer-Encoding says so, override any Content-Length, and an answer
// with both never leaves its connection to another request; else
// Content-Length, which must be one number, or none (to the close).
void THttpClient::TakeFraming(const std::optional<QByteArray> &coding, const std::optional<QByteArray> &lengths)
{
    chunked_ = coding && IsChunkedCoding(*coding);
    if (chunked_ && lengths)
        serverKeepsOpen_ = false;
    if (chunked_ || !lengths)
        return;
    const std::optional<qint64> length = ContentLengthOf(*lengths);
    if (!length)
        throw ESockError(InvalidContentLengthText(*lengths));
    ContentLength = BytesTotal = *length;
}

#include "net/tls_transport.h"

#include "net/tls_session.h"

#include <cerrno>
#include <utility>

TTlsTransport::TTlsTransport(std::unique_ptr<TTransport> below, std::unique_ptr<TTlsSession> session)
    : below_(std::move(below)), session_(std::move(session))
{
}

TTlsTransport::~TTlsTransport() = default;

bool TTlsTransport::Open()
{
    return session_->Handshake();
}

// -1 from the session: errno as a socket call would leave it.
qsizetype TTlsTransport::Waiting() const
{
    errno = session_->Want == TTlsSession::Wait::None ? EINTR : EAGAIN;
    return -1;
}

qsizetype TTlsTransport::Receive(char *into, qsizetype size)
{
    const qsizetype n = session_->Read(into, size);
    return n < 0 ? Waiting() : n;
}

// TLS writes whole records: more has nothing to add to them.
qsizetype TTlsTransport::Send(const char *data, qsizetype size, bool)
{
    const qsizetype n = session_->Write(data, size);
    return n < 0 ? Waiting() : n;
}

std::unique_ptr<TTransport> TTlsTransport::End(bool notifyPeer)
{
    if (session_ && notifyPeer)
        session_->Shutdown();
    session_.reset();
    return std::move(below_);
}

// The layers below stay (closed) until this one goes: their owner may
// still ask the socket layer how its close went.
void TTlsTransport::Close(bool notifyPeer)
{
    if (session_ && notifyPeer)
        session_->Shutdown();
    session_.reset();
    if (below_)
        below_->Close(notifyPeer);
}

TWant TTlsTransport::Want() const
{
    if (!session_)
        return TWant::None;
    switch (session_->Want) {
    case TTlsSession::Wait::Read:
        return TWant::Read;
    case TTlsSession::Wait::Write:
        return TWant::Write;
    case TTlsSession::Wait::None:
        break;
    }
    return TWant::None;
}

int TTlsTransport::Handle() const
{
    return below_ ? below_->Handle() : -1;
}

QByteArray TTlsTransport::Protocol() const
{
    return session_ ? session_->Protocol() : QByteArray();
}

bool TTlsTransport::UncleanEnd() const
{
    return session_ && session_->UncleanEnd;
}

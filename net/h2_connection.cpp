#include "net/h2_connection.h"

#include <QSocketNotifier>

TH2Connection::TH2Connection(std::unique_ptr<TTransport> chain, std::function<void()> activity, QObject *owner)
    : QObject(owner), session_(std::make_unique<TH2Session>(std::move(chain))), activity_(std::move(activity))
{
    silence_.start();
    read_ = new QSocketNotifier(session_->Handle(), QSocketNotifier::Read, this);
    write_ = new QSocketNotifier(session_->Handle(), QSocketNotifier::Write, this);
    connect(read_, &QSocketNotifier::activated, this, [this] {
        Step(true);
        activity_();
    });
    connect(write_, &QSocketNotifier::activated, this, [this] {
        Step(false);
        activity_();
    });
    Watch();
}

TH2Connection::~TH2Connection()
{
    read_->setEnabled(false);
    write_->setEnabled(false);
    if (!failed_ && session_->Alive())
        session_->GoAway();
}

void TH2Connection::Pump()
{
    Step(true);
}

void TH2Connection::Flush()
{
    Step(false);
}

void TH2Connection::Step(bool readable)
{
    if (failed_ || !session_->Alive()) {
        Watch();
        return;
    }
    try {
        if (readable) {
            session_->Readable();
            silence_.start();
        }
        if (session_->Alive())
            session_->Flush();
    } catch (...) {
        failed_ = true;  // every open stream has ended with the error
    }
    Watch();
}

// The notifiers go off with the session: its chain (and socket) is closed.
void TH2Connection::Watch()
{
    const bool alive = !failed_ && session_->Alive();
    read_->setEnabled(alive);
    write_->setEnabled(alive && session_->Want() == TWant::Write);
}

void TH2Connection::GoAway()
{
    if (!failed_ && session_->Alive())
        session_->GoAway();
    Watch();
}

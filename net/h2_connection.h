// TH2Connection: a TH2Session driven by socket notifiers on the thread that
// made it: the read notifier always (while the session lives), the write
// notifier while the session has bytes the chain did not take. After each
// step it tells its owner, who looks at the streams that ended. A session
// that fails (a connection error, the chain's error) has ended every open
// stream; its notifiers are off from then on.
#pragma once

#include "net/h2_session.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

class TH2Connection : public QObject {
    Q_OBJECT
public:
    // chain: open, the server chose "h2". activity runs after every step
    // the notifiers start (never from Pump or Flush).
    TH2Connection(std::unique_ptr<TTransport> chain, std::function<void()> activity, QObject *owner = nullptr);
    ~TH2Connection() override;  // GoAway while alive: no sink is called
    TH2Connection(const TH2Connection &) = delete;
    TH2Connection &operator=(const TH2Connection &) = delete;

    TH2Session &Session() { return *session_; }
    const TH2Session &Session() const { return *session_; }
    // One read step and a flush, as the read notifier does (for the bytes
    // the chain holds already), without telling the owner.
    void Pump();
    // Sends what the session has (a new stream, a reset).
    void Flush();
    // The session takes new streams.
    bool Usable() const { return !failed_ && session_->Accepts(); }
    // Nothing more will come of it: dead, or no new stream and none left.
    bool Finished() const { return failed_ || !session_->Alive() || (!session_->Accepts() && session_->OpenStreams() == 0); }
    // Ends its open streams Canceled, says GOAWAY and closes the chain.
    void GoAway();
    // Milliseconds since the chain last gave bytes (or since it was made).
    qint64 SilentMs() const { return silence_.elapsed(); }

private:
    void Step(bool readable);
    void Watch();

    std::unique_ptr<TH2Session> session_;
    QSocketNotifier *read_ = nullptr;
    QSocketNotifier *write_ = nullptr;
    std::function<void()> activity_;
    QElapsedTimer silence_;
    bool failed_ = false;
};

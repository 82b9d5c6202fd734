// TH2Worker: the files of one https origin as streams of one HTTP/2
// connection. A thread of its own with its own event loop, as THttpWorker:
// there it looks up, connects (through the proxy's tunnel when one is set)
// and runs the TLS handshake offering ALPN "h2" and "http/1.1", and when
// the server chooses "h2" it drives a TH2Session with socket notifiers.
// The owner (the batch's thread) starts transfers in numbered stream slots,
// may cancel each, reads each one's progress and gets each outcome back on
// its own thread as a TTransferResult, exactly as from a THttpWorker, so
// the batch checks, names and retries a stream's file as any other.
//
//   TH2Worker h2;
//   h2.Open("https://host/page", settings);          // while the page loads
//   if (h2.WaitUntilSettled() == TH2Worker::State::Streams)
//       for (int slot = 0; slot < h2.StreamLimit(); ++slot) ...
//   h2.OnFinished = [](int slot, TTransferResult r) { ... };
//   h2.Start(slot, url, part, settings);
//
// A stream slot takes only files of the worker's origin, asked afresh (no
// resume): the batch gives the others to its HTTP/1.x workers. An answer
// that redirects ends its stream at once with TTransferFault::NotForStreams
// and the Location in its header; the batch then asks for the file again
// on an HTTP/1.x worker, where every redirect rule lives.
#pragma once

#include "net/http_worker.h"

#include <QByteArray>
#include <QObject>
#include <functional>
#include <memory>

struct TH2WorkerShared;
class TH2WorkerRunner;
class TH2WorkerThread;

class TH2Worker : public QObject {
    Q_OBJECT
public:
    // The most stream slots a worker has, whatever the server allows.
    static constexpr int kMostStreams = 100;

    enum class State {
        Idle,       // not opened, or closed
        Opening,    // looking up, connecting, handshaking
        Streams,    // the server chose "h2": StreamLimit() slots
        NoStreams,  // the server chose "http/1.1" or none, or the connection failed
    };

    explicit TH2Worker(QObject *owner = nullptr);
    // Resets every stream, says GOAWAY, ends the thread and waits for it.
    // OnFinished is never called from here on.
    ~TH2Worker() override;
    TH2Worker(const TH2Worker &) = delete;
    TH2Worker &operator=(const TH2Worker &) = delete;

    // Opens the connection to url's origin (an https address; anything else
    // settles NoStreams at once) with the settings' proxy and time-out.
    // Never blocks. A session already open to that origin is kept; one to
    // another origin is closed first.
    void Open(const QByteArray &url, const THttpRequestSettings &settings);
    State CurrentState() const;
    // Waits, pumping this thread's events, until the opening has settled
    // (Streams or NoStreams; Idle when nothing was opened), at most
    // timeoutMs. Returns CurrentState().
    State WaitUntilSettled(int timeoutMs = 30000);
    // Stream slots while Streams: min(the server's concurrent streams,
    // kMostStreams); 0 otherwise.
    int StreamLimit() const;
    // Whether a stream slot may take address: its scheme, host and port are
    // the worker's origin.
    bool IsOrigin(const QByteArray &address) const;

    // Starts a GET of url into file (a new file, as a THttpWorker's) in
    // stream slot `slot` (0 <= slot < StreamLimit()), which is then Busy
    // until OnFinished(slot, ...) runs. When the session has gone meanwhile
    // (the server's GOAWAY, a connection error) a new one is opened for it.
    void Start(int slot, const QByteArray &url, const QByteArray &file, const THttpRequestSettings &settings);
    // Ends the slot's running transfer (RST_STREAM; the result comes with
    // the cancel's error); the connection stays for the other slots. Safe
    // at any time; never reaches a later Start.
    void Cancel(int slot);
    // Cancels every slot, says GOAWAY and closes the connection (Disconnect,
    // the program's end): the next Open or Start connects afresh.
    void Close();
    bool Busy(int slot) const;
    qint64 BytesReceived(int slot) const;  // body bytes of the slot's running transfer
    int ReplyNumber(int slot) const;       // its status once its header came; 0 before
    qint64 BytesExpected(int slot) const;  // its content-length; -1 unknown

    // Runs on the owner's thread (queued) with the outcome of each Start.
    std::function<void(int slot, TTransferResult)> OnFinished;
    // Runs on the owner's thread (queued) when an opening has settled, with
    // Streams or NoStreams.
    std::function<void(State)> OnSettled;

private Q_SLOTS:
    void TakeResults();

private:
    std::shared_ptr<TH2WorkerShared> shared_;
    TH2WorkerThread *thread_ = nullptr;
    TH2WorkerRunner *runner_ = nullptr;
    // Owner's thread only.
    std::vector<bool> busy_;
    bool destroying_ = false;
};

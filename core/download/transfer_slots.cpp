#include "core/download/transfer_slots.h"

#include "base/errors.h"
#include "net/http_client.h"
#include "net/h2_worker.h"
#include "net/http_worker.h"

namespace {
// Points the client's Body at the part file for the transfer and gives it
// back its earlier value, however the transfer ends.
class TBodyRedirect {
public:
    TBodyRedirect(QByteArray &body, const QByteArray &part) : body_(body), target_(body) { body_ = part; }
    ~TBodyRedirect() { body_ = target_; }
    TBodyRedirect(const TBodyRedirect &) = delete;
    TBodyRedirect &operator=(const TBodyRedirect &) = delete;

private:
    QByteArray &body_;
    QByteArray target_;
};

// Adds the slot's body-bytes event to the client's OnPacketRecvd (the
// window's own handler still runs first) and gives the old one back.
class TPacketHook {
public:
    TPacketHook(TSocketConnection::TNotifyEvent &event, const std::function<void()> &extra) : event_(event), old_(event)
    {
        if (extra)
            event_ = [old = old_, extra](TSocketConnection *sender) {
                if (old)
                    old(sender);
                extra();
            };
    }
    ~TPacketHook() { event_ = old_; }
    TPacketHook(const TPacketHook &) = delete;
    TPacketHook &operator=(const TPacketHook &) = delete;

private:
    TSocketConnection::TNotifyEvent &event_;
    TSocketConnection::TNotifyEvent old_;
};
}  // namespace

// The client's own fields are the request's: the batch read them from it,
// and a change of a setting during the batch reaches the next file.
void TClientSlot::Start(const QByteArray &address, const QByteArray &part, const THttpRequestSettings &,
                        const TResumePoint &resume)
{
    std::exception_ptr error;
    busy_ = true;
    client_.BytesRecvd = 0;  // the progress counts this file's bytes only
    client_.ContentLength = -1;  // not the last file's size until this answer's head
    try {
        TBodyRedirect into(client_.Body, part);
        TPacketHook hook(client_.OnPacketRecvd, OnBodyBytes);
        client_.ResumeFrom = resume.From;
        client_.ResumeValidator = resume.Validator;
        client_.ResumeTotal = resume.Total;
        client_.Get(address);
    } catch (...) {
        error = std::current_exception();
    }
    busy_ = false;
    TTransferResult result = TTransferResult::Of(client_, error);
    result.File = part;  // the client's Body has its earlier value back
    if (OnFinished)
        OnFinished(std::move(result));
}

qint64 TClientSlot::BytesReceived() const
{
    return client_.BytesRecvd;
}

qint64 TClientSlot::BytesExpected() const
{
    return busy_ ? client_.ContentLength : -1;
}

int TClientSlot::ReplyNumber() const
{
    return busy_ ? client_.ReplyNumber : 0;
}

void TClientSlot::Cancel()
{
    client_.Abort();
    client_.Disconnect();
}

TWorkerSlot::TWorkerSlot(THttpWorker &worker) : worker_(worker)
{
    worker_.OnFinished = [this](THttpWorker *, TTransferResult result) {
        if (OnFinished)
            OnFinished(std::move(result));
    };
}

TWorkerSlot::~TWorkerSlot()
{
    worker_.OnFinished = nullptr;
}

void TWorkerSlot::Start(const QByteArray &address, const QByteArray &part, const THttpRequestSettings &settings,
                        const TResumePoint &resume)
{
    worker_.Start(address, part, settings, resume);
}

qint64 TWorkerSlot::BytesReceived() const
{
    return worker_.BytesReceived();
}

int TWorkerSlot::ReplyNumber() const
{
    return worker_.ReplyNumber();
}

void TWorkerSlot::Cancel()
{
    worker_.Cancel();
}

bool TWorkerSlot::Busy() const
{
    return worker_.Busy();
}

void TStreamSlot::Start(const QByteArray &address, const QByteArray &part, const THttpRequestSettings &settings,
                        const TResumePoint &)
{
    worker_.Start(slot_, address, part, settings);
}

qint64 TStreamSlot::BytesReceived() const
{
    return worker_.BytesReceived(slot_);
}

qint64 TStreamSlot::BytesExpected() const
{
    return worker_.BytesExpected(slot_);
}

int TStreamSlot::ReplyNumber() const
{
    return worker_.ReplyNumber(slot_);
}

void TStreamSlot::Cancel()
{
    worker_.Cancel(slot_);
}

bool TStreamSlot::Busy() const
{
    return worker_.Busy(slot_);
}

bool TStreamSlot::Takes(const TBatchFile &file, const TResumePoint &resume) const
{
    return !file.noStreams && resume.From <= 0 && worker_.IsOrigin(file.address);
}

void TStreamSlot::Finish(TTransferResult result)
{
    if (OnFinished)
        OnFinished(std::move(result));
}
